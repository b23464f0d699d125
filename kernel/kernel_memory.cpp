#include "kernel/kernel_memory.h"

#include <atomic>
#include <new>

namespace velmo {
namespace {
std::atomic<int> g_allocationsBeforeFailure{-1};
}

void* allocateKernelMemory(std::size_t bytes, std::size_t alignment) {
    int left = g_allocationsBeforeFailure.load(std::memory_order_relaxed);
    while (left >= 0) {
        if (g_allocationsBeforeFailure.compare_exchange_weak(left, left - 1)) {
            if (left == 0) return nullptr;
            break;
        }
    }
    return ::operator new(bytes, std::align_val_t(alignment), std::nothrow);
}

void releaseKernelMemory(void* memory, std::size_t alignment) {
    if (memory) ::operator delete(memory, std::align_val_t(alignment));
}

void failKernelAllocationAfter(int successes) {
    g_allocationsBeforeFailure.store(successes, std::memory_order_relaxed);
}

}  // namespace velmo
