#include "kernel/kernel_memory.h"

#include <atomic>
#include <cstdlib>

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
    // The C allocator, not operator new: a host may replace the latter piecemeal.
    const std::size_t rounded = (bytes + alignment - 1) / alignment * alignment;
    return std::aligned_alloc(alignment, rounded);
}

void releaseKernelMemory(void* memory, std::size_t) { std::free(memory); }

void failKernelAllocationAfter(int successes) {
    g_allocationsBeforeFailure.store(successes, std::memory_order_relaxed);
}

}  // namespace velmo
