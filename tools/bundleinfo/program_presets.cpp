#include "tools/bundleinfo/program_presets.h"

#include <cstring>

#include "pluginterfaces/vst/ivstunits.h"
#include "tools/host/plugin_presets.h"
#include "tools/host/process_block.h"
#include "tools/render/parameter_lookup.h"
#include "tools/render/plugin_render.h"

namespace velmo::bundleinfo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// Hands the processor every value the controller performed since `from`, in a block of no
// samples (a parameter flush), as a host forwards a controller's edits.
bool forwardEdits(host::PluginInstance& plugin, host::ProcessBlock& block, std::size_t& from) {
    using Edit = host::RecordingComponentHandler::Edit;
    ProcessData& data = block.begin(0);
    const auto& edits = plugin.handler().edits();
    for (; from < edits.size(); ++from)
        if (edits[from].kind == Edit::Kind::Perform) block.params().add(edits[from].id, 0, edits[from].value);
    return plugin.processor()->process(data) == kResultOk;
}

}  // namespace

std::string presetFileName(const std::string& programName) {
    std::string name = programName.empty() ? std::string("Preset") : programName;
    for (char& c : name)
        if (std::strchr("\"\\*?/:<>|", c) != nullptr || static_cast<unsigned char>(c) < 0x20) c = '_';
    return name + ".vstpreset";
}

bool programPresets(host::PluginModule& module, std::vector<ProgramPreset>& out, std::string& error) {
    out.clear();
    auto plugin = host::PluginInstance::create(module, &error, "zuriz-bundle-info");
    if (!plugin) return false;
    FUnknownPtr<IUnitInfo> units(plugin->controller());
    ProgramListInfo list{};
    if (!units || units->getProgramListCount() < 1 || units->getProgramListInfo(0, list) != kResultOk)
        return true;  // no programs, no presets

    render::PluginRenderer renderer(*plugin);
    if (!renderer.prepare({48000.0, 512, 0.0}, error)) return false;
    host::ProcessBlock block(renderer.outputChannels(), 512);
    std::size_t forwarded = plugin->handler().edits().size();
    for (int32 i = 0; i < list.programCount; ++i) {
        const auto choice = render::findProgram(plugin->controller(), std::to_string(i), error);
        if (!choice) return false;
        plugin->controller()->setParamNormalized(choice->parameter, choice->normalized);
        if (!forwardEdits(*plugin, block, forwarded)) {
            error = "the processor refused the edits of program " + choice->name;
            return false;
        }
        ProgramPreset preset;
        preset.name = choice->name;
        if (!host::capturePreset(*plugin, preset.file, error)) return false;
        out.push_back(std::move(preset));
    }
    return true;
}

}  // namespace velmo::bundleinfo
