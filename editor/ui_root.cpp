#include "editor/ui_root.h"

#include <filesystem>
#include <system_error>

#include "diagnostics/ui_bundle_facts.h"
#include "platform/module_path.h"

namespace velmo {

std::string uiRootForModuleFile(const std::string& moduleFile) {
    namespace fs = std::filesystem;
    // The folder that holds the page's manifest.
    const std::string manifest = uiManifestPathForModule(moduleFile);
    if (manifest.empty()) return {};
    const fs::path root = fs::path(manifest).parent_path().lexically_normal();
    std::error_code ec;
    if (!fs::is_directory(root, ec)) return {};
    std::string text = root.string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

std::string uiRootForImageAddress(const void* address) {
    if (address == nullptr) return {};
    return uiRootForModuleFile(loadedModuleFile(address));
}

std::string pluginUiRoot() {
    return uiRootForImageAddress(reinterpret_cast<const void*>(&pluginUiRoot));
}

}  // namespace velmo
