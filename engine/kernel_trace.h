#pragma once
// The optional kernel trace: when "VELMO_KERNEL_TRACE" names a file, engines append one line
// per setup, block chunk and kernel event to it. Process-wide, opened on first use.
#include <cstdio>
#include <cstdint>

namespace velmo {

// The open trace file, or null when tracing is off for the life of the process.
std::FILE* kernelTraceFile();

// The process-wide block counter used by trace lines.
uint64_t nextTraceBlock();
uint64_t currentTraceBlock();

}  // namespace velmo
