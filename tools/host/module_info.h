#pragma once
// moduleinfo.json: what a module's class factory says, written where hosts read it without
// loading the module (Contents/Resources/moduleinfo.json, the layout of VST3 hosts since 3.7.5):
// "Name", "Version", "Factory Info" (vendor, URL, e-mail, flags), "Compatibility" and
// "Classes" (id, category, name, vendor, version, SDK version, sub-categories, flags,
// cardinality, snapshots).
#include <string>

#include "tools/host/module_loader.h"

namespace velmo::host {

// The document for a loaded module. `name` is the module's name (the bundle's stem); the
// module's version is its first class's version.
std::string moduleInfoJson(const PluginModule& module, const std::string& name);

}  // namespace velmo::host
