// Finding the bundle around a loaded module, and the library inside a bundle.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/module_path.h"

namespace velmo {
namespace {

namespace fs = std::filesystem;

TEST(ModulePath, BundleRootIsThreeLevelsAboveALibraryInContents) {
    EXPECT_EQ(bundleRootForModuleFile("/home/u/.vst3/Zuriz.vst3/Contents/x86_64-linux/Zuriz.so"),
              "/home/u/.vst3/Zuriz.vst3");
    EXPECT_EQ(bundleRootForModuleFile("/Zuriz.vst3/Contents/x86_64-linux/Zuriz.so"), "/Zuriz.vst3");
    // Outside a bundle the file stands for itself.
    EXPECT_EQ(bundleRootForModuleFile("/usr/lib/libzuriz.so"), "/usr/lib/libzuriz.so");
    EXPECT_EQ(bundleRootForModuleFile("/a/NotContents/x86_64-linux/Zuriz.so"),
              "/a/NotContents/x86_64-linux/Zuriz.so");
    EXPECT_EQ(bundleRootForModuleFile("Zuriz.so"), "Zuriz.so");
    EXPECT_EQ(bundleRootForModuleFile(""), "");
}

TEST(ModulePath, BinaryInsideABundleFolderIsNamedAfterTheBundle) {
    const fs::path root = fs::temp_directory_path() / ("zuriz-bundle-" + std::to_string(::getpid()));
    const fs::path bundle = root / "Other Name.vst3";
    fs::create_directories(bundle / "Contents");
    const std::string expectedArch = bundleBinaryPath(bundle.string());
    EXPECT_NE(expectedArch.find("/Contents/"), std::string::npos);
    EXPECT_EQ(fs::path(expectedArch).filename(), "Other Name.so");
    EXPECT_EQ(bundleBinaryPath(bundle.string() + "/"), expectedArch) << "a trailing slash is ignored";
    EXPECT_EQ(bundleRootForModuleFile(expectedArch), bundle.string()) << "the two agree";

    // A path to a file is used as it is.
    const fs::path file = root / "plain.so";
    std::ofstream(file) << "x";
    EXPECT_EQ(bundleBinaryPath(file.string()), file.string());
    fs::remove_all(root);
}

TEST(ModulePath, LoadedModuleFileFindsThisProgram) {
    const std::string self = loadedModuleFile(reinterpret_cast<const void*>(&bundleRootForModuleFile));
    ASSERT_FALSE(self.empty());
    EXPECT_TRUE(fs::equivalent(self, fs::read_symlink("/proc/self/exe")));
    EXPECT_EQ(loadedModuleFile(nullptr), "");
}

}  // namespace
}  // namespace velmo
