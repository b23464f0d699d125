#include "platform/module_path.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace velmo {
namespace {

#if defined(__x86_64__)
constexpr const char* BUNDLE_ARCHITECTURE = "x86_64-linux";
#elif defined(__aarch64__)
constexpr const char* BUNDLE_ARCHITECTURE = "aarch64-linux";
#else
constexpr const char* BUNDLE_ARCHITECTURE = "unknown-linux";
#endif

std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return path.substr(0, slash == 0 ? 1 : slash);
}

std::string lastComponent(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const auto slash = trimmed.find_last_of('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string loadedModuleFile(const void* address) {
    Dl_info info{};
    if (address == nullptr || ::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
    std::string file = info.dli_fname;
    // The loader reports the name it was given; make it absolute so it survives a chdir.
    if (!file.empty() && file.front() != '/') {
        char* resolved = ::realpath(file.c_str(), nullptr);
        if (resolved != nullptr) {
            file = resolved;
            ::free(resolved);
        }
    }
    return file;
}

std::string currentExecutableFile() {
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    return std::string(buffer, static_cast<size_t>(n));
}

std::string bundleRootForModuleFile(const std::string& moduleFile) {
    const std::string architectureDir = parentOf(moduleFile);
    const std::string contentsDir = parentOf(architectureDir);
    if (lastComponent(contentsDir) != "Contents") return moduleFile;
    const std::string bundle = parentOf(contentsDir);
    return bundle.empty() ? moduleFile : bundle;
}

std::string bundleBinaryPath(const std::string& bundle) {
    if (!isDirectory(bundle)) return bundle;
    std::string stem = lastComponent(bundle);
    const std::string suffix = ".vst3";
    if (stem.size() > suffix.size() && stem.compare(stem.size() - suffix.size(), suffix.size(), suffix) == 0)
        stem.resize(stem.size() - suffix.size());
    std::string root = bundle;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root + "/Contents/" + BUNDLE_ARCHITECTURE + "/" + stem + ".so";
}

}  // namespace velmo
