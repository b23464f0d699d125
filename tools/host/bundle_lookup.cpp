#include "tools/host/bundle_lookup.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/module_path.h"

namespace velmo::host {

namespace fs = std::filesystem;

std::string defaultBundlePath() {
    std::vector<fs::path> candidates;
    const std::string self = currentExecutableFile();
    if (!self.empty()) candidates.push_back(fs::path(self).parent_path().parent_path() / "Zuriz.vst3");
    if (const char* home = std::getenv("HOME")) candidates.push_back(fs::path(home) / ".vst3/Zuriz.vst3");
    candidates.push_back("/usr/local/lib/vst3/Zuriz.vst3");
    candidates.push_back("/usr/lib/vst3/Zuriz.vst3");
    std::error_code ec;
    for (const fs::path& p : candidates)
        if (fs::is_directory(p, ec)) return p.string();
    return candidates.front().string();
}

}  // namespace velmo::host
