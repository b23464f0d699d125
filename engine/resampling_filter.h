#pragma once
// The adapter's windowed-sinc interpolator: 1024 fractional phases of 32 taps, from the
// 48 000 Hz kernel rate to the host rate.
#include <cstdint>

namespace velmo {

inline constexpr int VELMO_FILTER_PHASES = 1024;
inline constexpr int VELMO_FILTER_TAPS = 32;
// Tap j of a phase weighs kernel frame q - VELMO_FILTER_CENTRE + j.
inline constexpr int VELMO_FILTER_CENTRE = 15;

// Fills table[phase * 32 + tap] for the cutoff min(hostRate / 48 000, 1), each phase
// normalised to unit sum.
void buildResamplingFilter(float* table, double hostRate);

}  // namespace velmo
