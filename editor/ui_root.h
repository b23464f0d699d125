#pragma once
// Where the editor page lives: the "ui" folder in the resources of the bundle that holds the
// loaded module.
#include <string>

namespace velmo {

// From the module's file "<bundle>/Contents/<arch>/<name>.so": "<bundle>/Contents/Resources/ui"
// (normalised), when that is a directory; otherwise empty.
std::string uiRootForModuleFile(const std::string& moduleFile);

// The same for the loaded image that contains `address`; empty for null or an unknown image.
std::string uiRootForImageAddress(const void* address);

// The UI root of this module, or empty.
std::string pluginUiRoot();

}  // namespace velmo
