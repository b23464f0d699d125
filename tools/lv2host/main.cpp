// zuriz-lv2-host: loads Zuriz.lv2 from LV2_PATH through lilv and plays the demo into a file.
//
//   zuriz-lv2-host [--rate HZ] [--block FRAMES] [--preset LABEL] [--out FILE]
//   zuriz-lv2-host --list      the ports and presets as lilv reads them
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "lv2/lv2_names.h"
#include "tools/lv2host/lv2_render.h"
#include "tools/render/audio_file.h"

namespace {

using namespace velmo;

int usage() {
    std::fputs("usage: zuriz-lv2-host [--rate HZ] [--block FRAMES] [--preset LABEL] [--out FILE]\n"
               "       zuriz-lv2-host --list\n"
               "Zuriz.lv2 is looked up on LV2_PATH.\n",
               stderr);
    return 2;
}

void list(const LilvPlugin* plugin, lv2host::Lv2World& world) {
    for (uint32_t i = 0; i < lilv_plugin_get_num_ports(plugin); ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
        lilv_port_get_range(plugin, port, &def, &min, &max);
        std::printf("port %u %s", i, lilv_node_as_string(lilv_port_get_symbol(plugin, port)));
        if (def != nullptr && min != nullptr && max != nullptr) {
            std::printf(" %g [%g, %g]", lilv_node_as_float(def), lilv_node_as_float(min), lilv_node_as_float(max));
        }
        std::printf("\n");
        lilv_node_free(def);
        lilv_node_free(min);
        lilv_node_free(max);
    }
    for (const lv2host::PresetInfo& p : lv2host::pluginPresets(world, plugin)) std::printf("preset %s\n", p.label.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    double rate = 48000.0;
    int block = 512;
    std::string preset, out = "zuriz-lv2-demo.wav";
    bool listOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--list") listOnly = true;
        else if (arg == "--rate" && hasValue) rate = std::atof(argv[++i]);
        else if (arg == "--block" && hasValue) block = std::atoi(argv[++i]);
        else if (arg == "--preset" && hasValue) preset = argv[++i];
        else if (arg == "--out" && hasValue) out = argv[++i];
        else return usage();
    }
    if (rate <= 0.0 || block < 1 || block > 8192) return usage();

    lv2host::Lv2World world;
    const LilvPlugin* plugin = world.plugin(lv2::kPluginUri);
    if (plugin == nullptr) {
        std::fprintf(stderr, "zuriz-lv2-host: %s is not on LV2_PATH\n", lv2::kPluginUri);
        return 1;
    }
    if (listOnly) {
        list(plugin, world);
        return 0;
    }
    lv2host::Lv2Instance instance(world, plugin, rate, block);
    if (!instance.ok()) {
        std::fprintf(stderr, "zuriz-lv2-host: the plug-in refused %g Hz\n", rate);
        return 1;
    }
    if (!preset.empty()) {
        bool applied = false;
        for (const lv2host::PresetInfo& p : lv2host::pluginPresets(world, plugin)) {
            if (p.label == preset) applied = instance.applyPreset(p.node);
        }
        if (!applied) {
            std::fprintf(stderr, "zuriz-lv2-host: no preset \"%s\"\n", preset.c_str());
            return 1;
        }
    }
    const std::vector<float> audio = lv2host::renderScore(instance, render::demoScore(), rate, block, 4.0);
    const std::string error = render::writeAudioFile(out, audio, 2, static_cast<int>(rate));
    if (!error.empty()) {
        std::fprintf(stderr, "zuriz-lv2-host: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %zu frames at %g Hz\n", out.c_str(), audio.size() / 2, rate);
    return 0;
}
