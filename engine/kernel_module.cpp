#include "engine/kernel_module.h"

#include <atomic>
#include <cstdio>

namespace velmo {
namespace {
std::atomic<bool> trapped{false};
}  // namespace

void KernelModule::ensureInitialised() {
    std::call_once(initialised_, [this] {
        entries_.setPanicSink(&kernelPanicSink, nullptr);
        entries_.runtimeInit();
    });
}

void kernelPanicSink(void*, const char* report, uint64_t length, uint64_t) {
    trapped.store(true, std::memory_order_release);
    const int n = report != nullptr ? static_cast<int>(length > 4096 ? 4096 : length) : 0;
    std::fprintf(stderr, "velmo-plugin-shell: morvisc trap: %.*s\n", n, report != nullptr ? report : "");
    std::fflush(stderr);
}

bool kernelTrapped() { return trapped.load(std::memory_order_acquire); }

}  // namespace velmo
