// Path rules that keep a bank inside its folder, whole-file reads, the digest and trigger names.
#include <gtest/gtest.h>

#include "banks/bank_files.h"
#include "bank_folder.h"

namespace velmo {
namespace {

TEST(BankFiles, PathsFilesDigestAndTriggers)
{
    EXPECT_EQ(joinPath("/b", "x.wav"), "/b/x.wav");
    EXPECT_EQ(joinPath("/b/", "x.wav"), "/b/x.wav");
    EXPECT_EQ(joinPath("/b", "/abs"), "/abs");
    EXPECT_EQ(joinPath("", "x"), "x");
    EXPECT_EQ(joinPath("/b", ""), "/b");

    for (const char* ok : {"a.wav", "./a.wav", "s/./a.wav", "..a/b", "a/..b", "a..", "s/a"})
        EXPECT_TRUE(pathIsContained(ok)) << ok;
    for (const char* bad : {"", "/a", "..", "../a", "a/..", "a/../b", "a\\b", "\\a", "a/../../b"})
        EXPECT_FALSE(pathIsContained(bad)) << bad;

    test::ScratchDir dir;
    dir.write("empty", std::string());
    dir.write("three", std::string("abc"));
    std::vector<std::uint8_t> bytes{1};
    EXPECT_TRUE(readWholeFile(dir.path() + "/empty", bytes));
    EXPECT_TRUE(bytes.empty());
    ASSERT_TRUE(readWholeFile(dir.path() + "/three", bytes));
    EXPECT_EQ(sha256Hex(bytes.data(), bytes.size()),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_FALSE(readWholeFile(dir.path(), bytes));
    EXPECT_FALSE(readWholeFile(dir.path() + "/none", bytes));

    EXPECT_EQ(triggerCode("release"), 1u);
    EXPECT_EQ(triggerCode("legato"), 2u);
    EXPECT_EQ(triggerCode("attack"), 0u);
    EXPECT_EQ(triggerCode("RELEASE"), 0u);
}

}  // namespace
}  // namespace velmo
