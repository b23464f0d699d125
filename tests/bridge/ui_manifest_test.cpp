// The UI bundle manifest: the top-level key scanner, the size limit and where the file is found.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

#include "diagnostics/ui_bundle_facts.h"

namespace velmo {
namespace {

// The scanner sees the text in an exact-size heap buffer, so ASan catches any read past it.
std::string scan(const std::string& text, const char* key, std::size_t capacity = 63) {
    std::unique_ptr<char[]> exact(new char[text.size()]);
    std::copy(text.begin(), text.end(), exact.get());
    std::unique_ptr<char[]> out(new char[capacity]);
    scanManifestTopLevelString(std::string_view(exact.get(), text.size()), key, out.get(), capacity);
    return out.get();
}

TEST(UiManifestScanner, FindsTopLevelStringsOnly) {
    const std::string manifest =
        R"({"meta":{"buildTime":"nested"},"list":["sha256","x"],"buildTime" :
           "2026-01-02T03:04:05Z","sourceRevision":"abc123"})";
    EXPECT_EQ(scan(manifest, "buildTime"), "2026-01-02T03:04:05Z");
    EXPECT_EQ(scan(manifest, "sourceRevision"), "abc123");
    EXPECT_EQ(scan(manifest, "sha256"), "") << "a string inside an array is no member";

    EXPECT_EQ(scan(R"({"a":{"buildTime":"deep"}})", "buildTime"), "");
    EXPECT_EQ(scan(R"({"a":"}{","buildTime":"t"})", "buildTime"), "t") << "brackets in strings";
    EXPECT_EQ(scan(R"({"a":"\"buildTime\":\"x\"","buildTime":"y"})", "buildTime"), "y");
    EXPECT_EQ(scan(R"({"buildTime":5,"buildTime":"later"})", "buildTime"), "later");
    EXPECT_EQ(scan(R"({"buildTime":null})", "buildTime"), "");
    EXPECT_EQ(scan(R"(]{"buildTime":"x"})", "buildTime"), "") << "a stray close ends the scan";
    EXPECT_EQ(scan("", "buildTime"), "");
}

TEST(UiManifestScanner, ValueLimitsAndEscapes) {
    EXPECT_EQ(scan(R"({"buildTime":"ab\"cd"})", "buildTime"), "ab") << "cut before the escape";
    EXPECT_EQ(scan(R"({"buildTime":"\nx"})", "buildTime"), "");
    EXPECT_EQ(scan(R"({"buildTime":"abc)", "buildTime"), "") << "unterminated value";
    EXPECT_EQ(scan(R"({"buildTime":"abc\)", "buildTime"), "abc") << "cut at the backslash";
    EXPECT_EQ(scan(R"({"buildTime)", "buildTime"), "");

    const std::string longest(62, 'x');
    EXPECT_EQ(scan("{\"buildTime\":\"" + longest + "\"}", "buildTime"), longest);
    EXPECT_EQ(scan("{\"buildTime\":\"" + longest + "y\"}", "buildTime"), "") << "63 characters";
    EXPECT_EQ(scan("{\"sha256\":\"" + std::string(78, 'f') + "\"}", "sha256", 79), std::string(78, 'f'));
    EXPECT_EQ(scan("{\"sha256\":\"" + std::string(79, 'f') + "\"}", "sha256", 79), "");
}

TEST(UiManifestScanner, ParsesTheThreeFacts) {
    const UiBundleFacts onlyHash = parseUiBundleManifest(R"({"sha256":"feed"})");
    EXPECT_STREQ(onlyHash.sha256, "feed");
    EXPECT_STREQ(onlyHash.buildTime, "");
    EXPECT_STREQ(onlyHash.sourceRevision, "");
    EXPECT_TRUE(onlyHash.any());
    EXPECT_FALSE(parseUiBundleManifest(R"({"other":"x"})").any());
}

class UiManifestFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/velmo-manifest-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

    std::string write(const std::string& text) {
        const std::string path = dir + "/manifest.json";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        return path;
    }

    std::string dir;
};

TEST_F(UiManifestFile, ReadsUpToOneMebibyte) {
    // Padding before the object: whitespace only, so the facts sit at the end of the file.
    const std::string tail = R"({"buildTime":"t"})";
    std::string text;
    ASSERT_TRUE(readUiManifestFile(write(std::string(kUiManifestMaxBytes - tail.size(), ' ') + tail), text));
    EXPECT_EQ(text.size(), kUiManifestMaxBytes);
    EXPECT_STREQ(parseUiBundleManifest(text).buildTime, "t");

    EXPECT_FALSE(readUiManifestFile(write(std::string(kUiManifestMaxBytes + 1 - tail.size(), ' ') + tail), text));
    EXPECT_TRUE(text.empty()) << "an oversized manifest is discarded whole";

    EXPECT_FALSE(readUiManifestFile(dir + "/missing.json", text));
    EXPECT_TRUE(text.empty());
}

TEST(UiManifestPath, SitsInTheBundlesResources) {
    EXPECT_EQ(uiManifestPathForModule("/p/Zuriz.vst3/Contents/x86_64-linux/Zuriz.so"),
              "/p/Zuriz.vst3/Contents/Resources/ui/manifest.json");
    EXPECT_EQ(uiManifestPathForModule("/Contents/arch/m.so"), "/Contents/Resources/ui/manifest.json");
    EXPECT_EQ(uiManifestPathForModule("/m.so"), "");
    EXPECT_EQ(uiManifestPathForModule("m.so"), "");
    EXPECT_EQ(uiManifestPathForModule(""), "");
}

}  // namespace
}  // namespace velmo
