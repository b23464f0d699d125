#include "platform/shared_library.h"

#include <dlfcn.h>

#include <utility>

namespace velmo {

SharedLibrary::~SharedLibrary() { close(); }

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
        : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, nullptr);
        error_ = std::move(other.error_);
    }
    return *this;
}

bool SharedLibrary::open(const std::string& path, OnClose onClose) {
    close();
    error_.clear();
    // By default closing never unmaps: a plug-in may leave process-wide state behind (tables,
    // threads, exit handlers) that must not outlive its code, as hosts have learnt.
    const int keep = onClose == OnClose::KeepMapped ? RTLD_NODELETE : 0;
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | keep);
    if (handle_ == nullptr) {
        const char* message = ::dlerror();
        error_ = message != nullptr ? message : "cannot open " + path;
        return false;
    }
    return true;
}

void SharedLibrary::close() {
    if (handle_ != nullptr) ::dlclose(std::exchange(handle_, nullptr));
}

void* SharedLibrary::symbol(const char* name) const {
    if (handle_ == nullptr || name == nullptr) return nullptr;
    return ::dlsym(handle_, name);
}

}  // namespace velmo
