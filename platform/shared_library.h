#pragma once
// A shared library opened at run time, closed when the object goes away.
#include <string>

namespace velmo {

class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;

    // What close does with the library's code.
    enum class OnClose {
        KeepMapped,  // stays mapped (and is shared when the same library is opened again)
        Unload,      // unloaded when no other handle holds it, as hosts that unload plug-ins do
    };

    // Opens the library at `path` with every symbol resolved now and kept local to it. On
    // failure returns false and keeps the loader's message in error().
    bool open(const std::string& path, OnClose onClose = OnClose::KeepMapped);
    void close();

    bool isOpen() const { return handle_ != nullptr; }
    // The loader's handle: what a Linux VST3 host hands to the module entry.
    void* handle() const { return handle_; }
    void* symbol(const char* name) const;
    const std::string& error() const { return error_; }

private:
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace velmo
