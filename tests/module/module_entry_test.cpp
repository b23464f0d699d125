// Entering and leaving the module: nesting, surplus exits, initialiser and terminator runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module/module_entry.h"

namespace velmo {
namespace {

std::vector<std::string> gRuns;

void initEarly() { gRuns.push_back("init-early"); }
void initLate() { gRuns.push_back("init-late"); }
void termOnly() { gRuns.push_back("term"); }

// The hook table is process-wide; register the test hooks once.
void registerHooksOnce() {
    static const bool registered = [] {
        addModuleInitializer(&initLate, 10);
        addModuleInitializer(&initEarly, -5);
        addModuleTerminator(&termOnly, 0);
        return true;
    }();
    (void)registered;
}

class ModuleEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        registerHooksOnce();
        gRuns.clear();
        ASSERT_EQ(bundleRefCounter, 0);
    }
    void TearDown() override {
        while (bundleRefCounter > 0) exitModule();
    }
    int handleA = 0, handleB = 0;
};

TEST_F(ModuleEntryTest, NullHandleIsAcceptedAndChangesNothing) {
    EXPECT_TRUE(enterModule(nullptr));
    EXPECT_EQ(bundleRefCounter, 0);
    EXPECT_TRUE(gRuns.empty());
}

TEST_F(ModuleEntryTest, NestedEntriesInitialiseOnceAndOnlyTheLastExitTerminates) {
    EXPECT_TRUE(enterModule(&handleA));
    EXPECT_EQ(gRuns, (std::vector<std::string>{"init-early", "init-late"}));
    EXPECT_TRUE(enterModule(&handleB));
    EXPECT_EQ(bundleRefCounter, 2);
    EXPECT_EQ(gRuns.size(), 2u);
    EXPECT_EQ(platformModuleHandle(), &handleA) << "the first handle is the module handle";

    EXPECT_TRUE(exitModule());
    EXPECT_EQ(gRuns.size(), 2u) << "an inner exit must not terminate";
    EXPECT_TRUE(exitModule());
    EXPECT_EQ(gRuns.back(), "term");
    EXPECT_EQ(gRuns.size(), 3u);
    EXPECT_EQ(bundleRefCounter, 0);
    EXPECT_EQ(platformModuleHandle(), nullptr);
}

TEST_F(ModuleEntryTest, SurplusExitIsRefusedAndDoesNotSpoilTheNextCycle) {
    EXPECT_FALSE(exitModule());
    EXPECT_FALSE(exitModule());
    EXPECT_EQ(bundleRefCounter, 0);
    EXPECT_TRUE(gRuns.empty());

    // A host that exits once too often still gets a working module the next time.
    EXPECT_TRUE(enterModule(&handleB));
    EXPECT_EQ(gRuns.size(), 2u) << "initialisers run on the next first entry";
    EXPECT_EQ(platformModuleHandle(), &handleB);
    EXPECT_TRUE(exitModule());
    EXPECT_EQ(gRuns.back(), "term");
}

TEST_F(ModuleEntryTest, BundlePathNamesTheLoadedImage) {
    ASSERT_TRUE(enterModule(&handleA));
    const std::string path = bundlePath();
    // Linked into a test program rather than a bundle, the module's "bundle" is the program.
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    EXPECT_NE(path.find("zuriz_module_tests"), std::string::npos) << path;
}

TEST(ModuleHooks, RefusesNullHooks) {
    EXPECT_FALSE(addModuleInitializer(nullptr, 0));
    EXPECT_FALSE(addModuleTerminator(nullptr, 0));
}

}  // namespace
}  // namespace velmo
