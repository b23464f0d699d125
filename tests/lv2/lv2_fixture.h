#pragma once
// Zuriz.lv2 as an LV2 host finds it on LV2_PATH, read by one lilv world per test program.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "lv2/lv2_names.h"
#include "scoped_env.h"
#include "scratch_dir.h"
#include "tools/lv2host/lv2_host.h"

namespace velmo::test {

// LV2_PATH for one scope: a scratch folder holding a link to the built bundle alone, then
// Debian's LV2 vocabulary bundles in /usr/lib/lv2, as a host's path has them (lilv learns the
// plug-in classes from them).
class Lv2SearchPath {
public:
    Lv2SearchPath() : env_("LV2_PATH", dir_.file("path") + ":/usr/lib/lv2") {
        std::filesystem::create_directories(dir_.file("path"));
        std::filesystem::create_directory_symlink(ZURIZ_LV2_BUNDLE_DIR, dir_.file("path/") + lv2::kBundleName);
    }
    const ScratchDir& scratch() const { return dir_; }

private:
    ScratchDir dir_;
    ScopedEnv env_;
};

class Lv2Bundle {
public:
    static Lv2Bundle& get() {
        static Lv2Bundle bundle;
        return bundle;
    }
    lv2host::Lv2World& world() { return *world_; }
    const LilvPlugin* plugin() const { return plugin_; }
    std::unique_ptr<lv2host::Lv2Instance> instance(double rate, int32_t maxBlock) {
        auto made = std::make_unique<lv2host::Lv2Instance>(*world_, plugin_, rate, maxBlock);
        EXPECT_TRUE(made->ok()) << "instantiation at " << rate << " Hz, " << maxBlock << " frames";
        return made;
    }

private:
    Lv2Bundle() {
        world_ = std::make_unique<lv2host::Lv2World>();
        plugin_ = world_->plugin(lv2::kPluginUri);
        if (plugin_ == nullptr) {
            ADD_FAILURE() << lv2::kPluginUri << " not found on LV2_PATH";
            std::exit(1);
        }
    }
    Lv2SearchPath path_;  // lilv reads the bundle's files when first asked, not all at once
    std::unique_ptr<lv2host::Lv2World> world_;
    const LilvPlugin* plugin_ = nullptr;
};

}  // namespace velmo::test
