// The page's generated files: families.json in the built bundle says what the kernel's tables
// say, and the UI digest covers every file's path and bytes, and nothing else.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "docs/json_tree.h"
#include "kernel/bell_families.h"
#include "params/param_table.h"
#include "scratch_dir.h"
#include "tools/uidata/ui_manifest.h"

namespace velmo {
namespace {

namespace fs = std::filesystem;
using test::readTextFile;

double number(const JsonValue& object, const char* key) {
    const JsonValue* v = object.find(key);
    EXPECT_TRUE(v != nullptr && v->kind == JsonValue::Number) << key;
    return v != nullptr ? v->number : -1.0;
}

TEST(UiFiles, FamiliesInTheBundleAreTheKernelTables) {
    const std::string text = readTextFile(ZURIZ_BUNDLE_DIR "/Contents/Resources/ui/families.json");
    JsonValue doc;
    ASSERT_TRUE(parseJsonDocument(text.data(), text.size(), doc)) << text;
    EXPECT_EQ(number(doc, "referenceNote"), BELLS_REFERENCE_NOTE);
    EXPECT_EQ(number(doc, "referenceHz"), BELLS_REFERENCE_HZ);
    EXPECT_EQ(number(doc, "positionFloor"), BELL_POSITION_FLOOR);
    const JsonValue* families = doc.find("families");
    ASSERT_TRUE(families != nullptr && families->kind == JsonValue::Array);
    ASSERT_EQ(families->array.size(), static_cast<std::size_t>(BELLS_FAMILY_COUNT));
    for (int f = 0; f < BELLS_FAMILY_COUNT; ++f) {
        const JsonValue& family = families->array[static_cast<std::size_t>(f)];
        EXPECT_EQ(number(family, "index"), f);
        EXPECT_EQ(family.str("name", ""), VELMO_PARAMS[0].options[f]);
        EXPECT_EQ(number(family, "ringSeconds"), FAMILY_DURATION[f]);
        EXPECT_EQ(number(family, "noiseAmount"), FAMILY_NOISE_AMOUNT[f]);
        const JsonValue* modes = family.find("modes");
        ASSERT_TRUE(modes != nullptr && modes->kind == JsonValue::Array);
        ASSERT_EQ(modes->array.size(), static_cast<std::size_t>(FAMILY_MODE_COUNT[f])) << "only the modes used";
        for (int m = 0; m < FAMILY_MODE_COUNT[f]; ++m) {
            const JsonValue& mode = modes->array[static_cast<std::size_t>(m)];
            const int at = f * MODAL_STRUCK_MAX_MODES + m;
            EXPECT_EQ(number(mode, "ratio"), FAMILY_RATIO[at]) << f << "/" << m;  // exact: round-trip form
            EXPECT_EQ(number(mode, "amplitude"), FAMILY_AMPLITUDE[at]);
            EXPECT_EQ(number(mode, "decay"), FAMILY_DECAY[at]);
        }
    }
}

TEST(UiFiles, DigestCoversPathsAndBytesButNotTheManifest) {
    const test::ScratchDir scratch;
    const fs::path dir = scratch.path();
    std::string error;
    const auto digest = [&] { return uidata::uiFilesDigest(dir.string(), error); };

    scratch.write("index.html", "ab");
    scratch.write("js/app.js", "c");
    const std::string first = digest();
    ASSERT_EQ(first.size(), 64u) << error;

    scratch.write("manifest.json", "{\"sha256\":\"x\"}");
    EXPECT_EQ(digest(), first) << "the manifest is not one of the hashed files";

    scratch.write("index.html", "a");  // the same bytes overall, moved across the boundary
    scratch.write("js/app.js", "bc");
    EXPECT_NE(digest(), first);

    scratch.write("index.html", "ab");
    scratch.write("js/app.js", "c");
    EXPECT_EQ(digest(), first) << "the digest depends on content only, not on time or order";
    fs::rename(dir / "js/app.js", dir / "js/main.js");
    EXPECT_NE(digest(), first) << "a renamed file";

    fs::remove_all(dir);
    EXPECT_EQ(digest(), "");
    EXPECT_FALSE(error.empty());
}

TEST(UiFiles, ManifestIsKeptWhileRevisionAndFilesStayTheSame) {
    const std::string doc = uidata::manifestJson("2026-01-01T00:00:00Z", "abc-dirty", "00ff");
    EXPECT_EQ(doc, "{\"buildTime\":\"2026-01-01T00:00:00Z\",\"sourceRevision\":\"abc-dirty\",\"sha256\":\"00ff\"}\n");
    EXPECT_TRUE(uidata::manifestIsCurrent(doc, "2027-05-05T00:00:00Z", "abc-dirty", "00ff", false));
    EXPECT_FALSE(uidata::manifestIsCurrent(doc, "2027-05-05T00:00:00Z", "abc-dirty", "00ff", true))
        << "a reproducible build's time is the one asked for";
    EXPECT_FALSE(uidata::manifestIsCurrent(doc, "2026-01-01T00:00:00Z", "abc", "00ff", false));
    EXPECT_FALSE(uidata::manifestIsCurrent(doc, "2026-01-01T00:00:00Z", "abc-dirty", "00fe", false));
    EXPECT_FALSE(uidata::manifestIsCurrent("not json", "t", "abc-dirty", "00ff", false));
}

}  // namespace
}  // namespace velmo
