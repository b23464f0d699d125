// zuriz-lv2data: writes the LV2 bundle's Turtle files at build time.
//
//   zuriz-lv2data BUNDLEDIR      manifest.ttl, zuriz.ttl and presets.ttl in BUNDLEDIR
#include <cstdio>
#include <string>

#include "tools/lv2data/lv2_turtle.h"
#include "tools/uidata/generated_file.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: zuriz-lv2data BUNDLEDIR\n", stderr);
        return 2;
    }
    const std::string dir = argv[1];
    const std::pair<const char*, std::string> files[] = {
        {"manifest.ttl", velmo::lv2data::manifestTtl()},
        {"zuriz.ttl", velmo::lv2data::pluginTtl()},
        {"presets.ttl", velmo::lv2data::presetsTtl()},
    };
    for (const auto& [name, text] : files) {
        const std::string path = dir + "/" + name;
        if (!velmo::uidata::writeIfChanged(path, text)) {
            std::fprintf(stderr, "zuriz-lv2data: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
