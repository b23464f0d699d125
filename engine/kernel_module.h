#pragma once
// The engine reaches the kernel through one table of its entry points, so a different kernel
// (a test double, a fixed-rate kernel) can stand in for the product's. A KernelModule pairs
// the table with its one-time runtime initialisation.
#include <cstdint>
#include <mutex>

#include "kernel/kernel_api.h"

namespace velmo {

struct KernelEntryPoints {
    int64_t (*runtimeInit)();
    void (*setPanicSink)(velmo_kernel_panic_sink sink, void* context);
    double (*create)(uint32_t maxFrames, uint32_t inputChannels, uint32_t outputChannels,
                     double sampleRate);
    void (*inputView)(uint32_t handle, float** data, uint64_t* length);
    void (*outputView)(uint32_t handle, float** data, uint64_t* length);
    double (*pushEvent)(uint32_t handle, uint32_t kind, uint32_t frame, uint32_t a, double value);
    double (*process)(uint32_t handle, uint32_t frames);
    double (*destroy)(uint32_t handle);
};

// Two modules over the same kernel must share its initialisation: a second runtime_init
// would discard the instances made through the first.
class KernelModule {
public:
    explicit KernelModule(const KernelEntryPoints& entries) : entries_(entries) {}
    KernelModule(const KernelModule&) = delete;
    KernelModule& operator=(const KernelModule&) = delete;

    const KernelEntryPoints& entries() const { return entries_; }

    // Installs the panic sink and initialises the kernel runtime the first time it is called
    // for this module in the process; later calls (from any thread) return at once.
    void ensureInitialised();

private:
    KernelEntryPoints entries_;
    std::once_flag initialised_;
};

// The product's kernel.
KernelModule& productKernelModule();

// The sink handed to the kernel: records the trap and prints the report to standard error.
void kernelPanicSink(void* context, const char* report, uint64_t length, uint64_t place);
// True once any kernel in this process has trapped; never cleared.
bool kernelTrapped();

}  // namespace velmo
