#pragma once
// The plug-in's programs as preset files: each program selected through the controller's
// program-change parameter, its edits delivered to the processor as a host delivers them, then
// both states taken.
#include <string>
#include <vector>

#include "tools/host/module_loader.h"
#include "tools/host/preset_file.h"

namespace velmo::bundleinfo {

struct ProgramPreset {
    std::string name;
    host::PresetFile file;
};

// One entry per program of the first program list, in list order.
bool programPresets(host::PluginModule& module, std::vector<ProgramPreset>& out, std::string& error);

// The program name as a file name: "Deep Bourdon.vstpreset"; characters that file systems
// refuse ("\*?/:<>|) become "_".
std::string presetFileName(const std::string& programName);

}  // namespace velmo::bundleinfo
