#pragma once
// The kernel's few allocations (module tables, one state per instance) go through here, so
// a failure is a null result the caller turns into a trap, and tests can provoke one.
#include <cstddef>

namespace velmo {

void* allocateKernelMemory(std::size_t bytes, std::size_t alignment);
void releaseKernelMemory(void* memory, std::size_t alignment);

// Test hook: the allocation after `successes` more successful ones fails (negative: never).
void failKernelAllocationAfter(int successes);

}  // namespace velmo
