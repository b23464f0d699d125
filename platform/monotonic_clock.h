#pragma once
// Nanoseconds of the steady clock: cheap (no system call on Linux) and safe on the audio thread.
#include <chrono>
#include <cstdint>

namespace velmo {

inline std::uint64_t monotonicNanos() {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
    return ns > 0 ? static_cast<std::uint64_t>(ns) : 0;
}

}  // namespace velmo
