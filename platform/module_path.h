#pragma once
// Where the loaded module lives on disk, and the layout of a Linux VST3 bundle around it.
#include <string>

namespace velmo {

// The file of the loaded image (shared library or executable) that contains `address`;
// empty when the loader cannot tell.
std::string loadedModuleFile(const void* address);

// The running program's own file; empty when unknown.
std::string currentExecutableFile();

// The bundle folder that holds `moduleFile` when it sits at
// "<bundle>/Contents/<architecture>/<name>.so"; otherwise the module file itself, so a
// library loaded outside a bundle still has a usable path.
std::string bundleRootForModuleFile(const std::string& moduleFile);

// The shared library a host opens inside `bundle`: "<bundle>/Contents/<architecture>/<stem>.so",
// where the stem is the bundle's folder name without ".vst3". A path that already names a
// file (not a folder) is returned as it is.
std::string bundleBinaryPath(const std::string& bundle);

}  // namespace velmo
