#pragma once
// Presets between a loaded plug-in and the preset file: what a host saves and how it loads one.
#include <string>

#include "pluginterfaces/base/funknown.h"
#include "tools/host/module_loader.h"
#include "tools/host/preset_file.h"

namespace velmo::host {

// A class id as preset files and moduleinfo.json write it: 32 upper-case hex digits.
std::string classIdText(const Steinberg::TUID cid);

// The component's state and the controller's state, under the processor's class id.
bool capturePreset(PluginInstance& plugin, PresetFile& out, std::string& error);

// Loads a preset as a host does: the component state into the processor, the same bytes into
// the controller (setComponentState), then the controller's own state when the file has one.
// A preset written for another class is refused before anything changes.
bool applyPreset(PluginInstance& plugin, const PresetFile& preset, std::string& error);

}  // namespace velmo::host
