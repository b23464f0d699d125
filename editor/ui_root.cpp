#include "editor/ui_root.h"

#include <filesystem>
#include <system_error>

#include "platform/module_path.h"

namespace velmo {

std::string uiRootForModuleFile(const std::string& moduleFile) {
    namespace fs = std::filesystem;
    if (moduleFile.empty()) return {};
    const fs::path contents = fs::path(moduleFile).parent_path().parent_path();
    if (contents.empty()) return {};
    const fs::path root = (contents / "Resources" / "ui").lexically_normal();
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
