// zuriz-bundle-info: loads a built VST3 bundle as a host does and writes, into its
// Contents/Resources, what hosts read without loading it: moduleinfo.json from the class
// factory, and one .vstpreset per factory program (Presets/) holding the component and
// controller state the plug-in itself writes once that program is selected.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/bundleinfo/program_presets.h"
#include "tools/host/module_info.h"
#include "tools/host/module_loader.h"

namespace {

namespace fs = std::filesystem;

int fail(const std::string& message) {
    std::fprintf(stderr, "zuriz-bundle-info: %s\n", message.c_str());
    return 1;
}

// Written beside the target and renamed over it, so a failed run leaves no half file.
bool writeFile(const fs::path& path, const std::string& bytes, std::string& error) {
    const fs::path scratch = path.string() + ".part";
    {
        std::ofstream out(scratch, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            error = "cannot write " + scratch.string();
            return false;
        }
    }
    std::error_code ec;
    fs::rename(scratch, path, ec);
    if (ec) error = "cannot write " + path.string() + ": " + ec.message();
    return !ec;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        std::fputs("usage: zuriz-bundle-info BUNDLE.vst3\n"
                   "Writes BUNDLE.vst3/Contents/Resources/moduleinfo.json and\n"
                   "BUNDLE.vst3/Contents/Resources/Presets/<program>.vstpreset from the loaded module.\n",
                   argc == 2 ? stdout : stderr);
        return argc == 2 ? 0 : 2;
    }
    const fs::path bundle = fs::path(argv[1]);
    const fs::path resources = bundle / "Contents" / "Resources";
    std::string error;
    auto module = velmo::host::PluginModule::open(bundle.string(), &error);
    if (!module) return fail(error);

    std::error_code ec;
    fs::create_directories(resources / "Presets", ec);
    if (ec) return fail("cannot create " + (resources / "Presets").string() + ": " + ec.message());
    const std::string name = bundle.filename().replace_extension().string();
    if (!writeFile(resources / "moduleinfo.json", velmo::host::moduleInfoJson(*module, name), error))
        return fail(error);

    std::vector<velmo::bundleinfo::ProgramPreset> presets;
    if (!velmo::bundleinfo::programPresets(*module, presets, error)) return fail(error);
    // A renamed or removed program must not leave its old file behind.
    for (const auto& entry : fs::directory_iterator(resources / "Presets", ec))
        if (entry.path().extension() == ".vstpreset") fs::remove(entry.path(), ec);
    for (const auto& preset : presets) {
        const fs::path file = resources / "Presets" / (velmo::bundleinfo::presetFileName(preset.name));
        if (!writeFile(file, velmo::host::writePresetFile(preset.file), error)) return fail(error);
    }
    return 0;
}
