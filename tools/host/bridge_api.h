#pragma once
// The diagnostic bridge a built module exports: the page's line protocol reaches the
// controller through these functions, looked up by name in the loaded module.
#include <cstddef>
#include <cstdint>

#include "pluginterfaces/base/funknown.h"
#include "tools/host/module_loader.h"

namespace velmo::host {

// The six exported functions of a loaded module; null where the module lacks one.
struct BridgeApi {
    using Sink = void (*)(void* context, const char* text, std::size_t length);
    using Clock = void (*)(void* context);

    std::int32_t (*abiVersion)() = nullptr;
    std::int32_t (*installSink)(Steinberg::FUnknown*, Sink, void*) = nullptr;
    std::int32_t (*deliver)(Steinberg::FUnknown*, const char*, std::size_t) = nullptr;
    std::int32_t (*tick)(Steinberg::FUnknown*) = nullptr;
    void* (*startClock)(Clock, void*, double) = nullptr;
    void (*stopClock)(void*) = nullptr;

    bool complete() const {
        return abiVersion && installSink && deliver && tick && startClock && stopClock;
    }
};

BridgeApi bridgeApiOf(const PluginModule& module);

}  // namespace velmo::host
