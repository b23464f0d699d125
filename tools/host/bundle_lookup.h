#pragma once
// Where a tool finds the Zuriz bundle when it is not told: the one of the build it belongs to
// (bin/../Zuriz.vst3), else where Linux hosts look (the user's, then the system folders).
#include <string>

namespace velmo::host {

// The first of those folders that exists; the build's own when none does.
std::string defaultBundlePath();

}  // namespace velmo::host
