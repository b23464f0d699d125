#pragma once
// The built Zuriz.vst3, opened once per test program through the host library and kept open
// until the program exits (tests hold interface pointers to the very end). A bundle that does
// not open fails the test that asked and stops the program: nothing after it could run.
#include <string>

#include "tools/host/module_loader.h"

namespace velmo::test {

host::PluginModule& builtBundle();
// A path inside the bundle ("Contents/Resources/...").
std::string builtBundlePath(const std::string& inside = std::string());

}  // namespace velmo::test
