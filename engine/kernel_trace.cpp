#include "engine/kernel_trace.h"

#include <atomic>
#include <cstdlib>

namespace velmo {
namespace {
std::atomic<uint64_t> traceBlock{0};

std::FILE* openTrace() {
    const char* path = std::getenv("VELMO_KERNEL_TRACE");
    if (path == nullptr || path[0] == '\0') return nullptr;
    return std::fopen(path, "a");
}
}  // namespace

std::FILE* kernelTraceFile() {
    static std::FILE* const file = openTrace();  // thread-safe one-time initialisation
    return file;
}

uint64_t nextTraceBlock() { return traceBlock.fetch_add(1, std::memory_order_relaxed) + 1; }
uint64_t currentTraceBlock() { return traceBlock.load(std::memory_order_relaxed); }

}  // namespace velmo
