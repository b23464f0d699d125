#include "tools/host/plugin_presets.h"

#include <cctype>

#include "public.sdk/source/common/memorystream.h"
#include "tools/host/memory_streams.h"

namespace velmo::host {

using namespace Steinberg;

namespace {

bool sameClassId(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

std::string classIdText(const TUID cid) {
    char8 text[33] = {};
    FUID::fromTUID(cid).toString(text);
    return text;
}

bool capturePreset(PluginInstance& plugin, PresetFile& out, std::string& error) {
    out = PresetFile{};
    out.classId = classIdText(plugin.processorClass().cid);
    auto component = owned(new MemoryStream);
    if (plugin.component()->getState(component) != kResultOk) {
        error = "the processor did not give its state";
        return false;
    }
    out.componentState = streamBytes(*component);
    auto controller = owned(new MemoryStream);
    if (plugin.controller()->getState(controller) != kResultOk) {
        error = "the controller did not give its state";
        return false;
    }
    out.controllerState = streamBytes(*controller);
    return true;
}

bool applyPreset(PluginInstance& plugin, const PresetFile& preset, std::string& error) {
    const std::string expected = classIdText(plugin.processorClass().cid);
    if (!sameClassId(preset.classId, expected)) {
        error = "the preset is for class " + preset.classId + ", not " + plugin.processorClass().name +
                " (" + expected + ")";
        return false;
    }
    if (plugin.component()->setState(streamOf(preset.componentState)) != kResultOk) {
        error = "the processor refused the preset's state";
        return false;
    }
    if (plugin.controller()->setComponentState(streamOf(preset.componentState)) != kResultOk) {
        error = "the controller refused the preset's component state";
        return false;
    }
    if (preset.controllerState && !preset.controllerState->empty() &&
        plugin.controller()->setState(streamOf(*preset.controllerState)) != kResultOk) {
        error = "the controller refused the preset's controller state";
        return false;
    }
    return true;
}

}  // namespace velmo::host
