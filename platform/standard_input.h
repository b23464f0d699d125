#pragma once
// Reading standard input without blocking a run loop: wait a bounded time for bytes.
#include <cstddef>

namespace velmo {

enum class InputRead { Data, Timeout, End, Failed };

// Waits up to timeoutMs for standard input, then reads what is there (at most `capacity`
// bytes, at least one on Data) into buffer. End once the input is closed and drained.
InputRead readStandardInput(char* buffer, std::size_t capacity, int timeoutMs, std::size_t& got);

}  // namespace velmo
