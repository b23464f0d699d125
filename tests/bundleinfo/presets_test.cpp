// The factory preset files in the built bundle: each loads, through the host library, into a
// fresh instance whose processor and controller accept both chunks and then hold exactly the
// preset's values; malformed or foreign files are refused before anything changes.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "built_bundle.h"
#include "params/factory_presets.h"
#include "params/param_table.h"
#include "tools/host/memory_streams.h"
#include "tools/host/module_loader.h"
#include "tools/host/plugin_presets.h"
#include "tools/host/preset_file.h"

namespace velmo {
namespace {

using namespace Steinberg;
namespace fs = std::filesystem;

const std::string PRESETS = std::string(ZURIZ_BUNDLE_DIR) + "/Contents/Resources/Presets/";

std::string componentState(host::PluginInstance& plugin) {
    auto stream = owned(new MemoryStream);
    EXPECT_EQ(plugin.component()->getState(stream), kResultOk);
    return host::streamBytes(*stream);
}

TEST(FactoryPresetFiles, EachRoundTripsToThePresetTable) {
    std::string error;
    host::PluginModule* module = &test::builtBundle();

    std::set<std::string> files;
    for (const auto& entry : fs::directory_iterator(PRESETS)) files.insert(entry.path().filename().string());
    EXPECT_EQ(files.size(), VELMO_FACTORY_PRESET_COUNT);

    for (const velmo_factory_preset& preset : VELMO_FACTORY_PRESETS) {
        SCOPED_TRACE(preset.name);
        const std::string name = std::string(preset.name) + ".vstpreset";
        ASSERT_EQ(files.count(name), 1u);
        host::PresetFile file;
        ASSERT_TRUE(host::loadPresetFile(PRESETS + name, file, error)) << error;
        ASSERT_TRUE(file.controllerState.has_value());

        auto plugin = host::PluginInstance::create(*module, &error);
        ASSERT_TRUE(plugin) << error;
        ASSERT_TRUE(host::applyPreset(*plugin, file, error)) << error;
        for (uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id)
            EXPECT_EQ(plugin->controller()->getParamNormalized(id), preset.values[id]) << VELMO_PARAMS[id].path;
        // The processor holds what the file holds: it writes the same state again.
        EXPECT_EQ(componentState(*plugin), file.componentState);
    }
}

TEST(FactoryPresetFiles, MalformedAndForeignFilesAreRefused) {
    std::string error;
    host::PresetFile good;
    ASSERT_TRUE(host::loadPresetFile(PRESETS + "Glass Hour.vstpreset", good, error)) << error;
    const std::string bytes = host::writePresetFile(good);
    host::PresetFile out;
    ASSERT_TRUE(host::readPresetFile(bytes.data(), bytes.size(), out, error)) << error;
    EXPECT_EQ(out.componentState, good.componentState);
    EXPECT_EQ(out.controllerState, good.controllerState);

    // Cut anywhere, the file is refused (the chunk list sits at the end).
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_FALSE(host::readPresetFile(bytes.data(), cut, out, error)) << cut;
    // A chunk whose size runs past the end of the file, and a list offset far outside it.
    std::string longChunk = bytes;
    longChunk[bytes.size() - 1] = '\x7f';  // high byte of the last chunk's size
    EXPECT_FALSE(host::readPresetFile(longChunk.data(), longChunk.size(), out, error));
    std::string farList = bytes;
    farList[47] = '\x80';
    EXPECT_FALSE(host::readPresetFile(farList.data(), farList.size(), out, error));
    // Without a component chunk there is nothing to load.
    host::PresetFile noComponent = good;
    std::string renamed = host::writePresetFile(noComponent);
    renamed.replace(renamed.size() - 2 * 20, 4, "Info");
    EXPECT_FALSE(host::readPresetFile(renamed.data(), renamed.size(), out, error));

    // Another plug-in's preset leaves this one untouched.
    host::PluginModule* module = &test::builtBundle();
    auto plugin = host::PluginInstance::create(*module, &error);
    ASSERT_TRUE(plugin) << error;
    const std::string before = componentState(*plugin);
    host::PresetFile foreign = good;
    foreign.classId = "00112233445566778899AABBCCDDEEFF";
    EXPECT_FALSE(host::applyPreset(*plugin, foreign, error));
    EXPECT_NE(error.find("00112233445566778899AABBCCDDEEFF"), std::string::npos) << error;
    EXPECT_EQ(componentState(*plugin), before);
}

}  // namespace
}  // namespace velmo
