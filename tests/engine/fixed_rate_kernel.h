#pragma once
// The product kernel behind an entry-point table whose `create` refuses every rate but 48 kHz,
// so any other host rate reaches the rate adapter. Shared by the engine tests and benchmarks.
#include <cstdint>

#include "engine/kernel_module.h"
#include "kernel/kernel_api.h"

namespace velmo::test {

inline double createOnly48k(uint32_t maxFrames, uint32_t inputs, uint32_t outputs, double rate) {
    return rate == 48000.0 ? VELMO_KERNEL_ENTRY(create)(maxFrames, inputs, outputs, rate) : 0.0;
}

inline KernelModule& fixedRateProductKernel() {
    static KernelModule module([] {
        KernelEntryPoints e = productKernelModule().entries();
        e.create = &createOnly48k;
        // Same kernel runtime: initialise it through the product module, only once.
        e.setPanicSink = [](velmo_kernel_panic_sink, void*) {};
        e.runtimeInit = []() -> int64_t {
            productKernelModule().ensureInitialised();
            return 0;
        };
        return e;
    }());
    return module;
}

}  // namespace velmo::test
