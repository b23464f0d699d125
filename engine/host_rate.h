#pragma once
// The host's sample rate as an exact fraction (micro-hertz resolution), and the exact
// position arithmetic the sample-rate adapter needs between host frames and frames of the
// 48 000 Hz kernel.
#include <cstdint>

namespace velmo {

inline constexpr uint64_t VELMO_KERNEL_FALLBACK_RATE = 48000;
inline constexpr int32_t VELMO_MAX_BLOCK_FRAMES = 16384;
inline constexpr uint64_t VELMO_MAX_FIFO_FRAMES = 1048576;

struct HostRate {
    uint64_t numerator = 48000;
    uint64_t denominator = 1;
};

// False when the rate is not finite, outside [0.000001, 4 000 000] Hz, or does not make a
// usable fraction.
bool exactHostRate(double sampleRate, HostRate& rate);

// max(ceil(maxBlockFrames * 48 000 / rate) + 64, 3 * maxBlockFrames + 8), exact.
uint64_t adapterFifoCapacity(const HostRate& rate, int32_t maxBlockFrames);

// floor(kernelFrame * rate / 48 000).
uint64_t hostFrameAtKernelFrame(const HostRate& rate, uint64_t kernelFrame);
// ceil(hostFrame * 48 000 / rate): the first kernel frame whose host position is >= hostFrame.
uint64_t firstKernelFrameAtHostFrame(const HostRate& rate, uint64_t hostFrame);
// The kernel frame nearest to hostFrame (halves round up).
uint64_t nearestKernelFrame(const HostRate& rate, uint64_t hostFrame);

// A position on the kernel's time line: whole frame plus a fraction in [0, 1) as an exact
// remainder over `rate.numerator`.
struct KernelPosition {
    int64_t frame;       // floor of the position
    uint64_t remainder;  // fractional part times rate.numerator
};
// (hostFrame - hostOffset) * 48 000 / rate - kernelOffset, exact; hostFrame may be small.
KernelPosition kernelPositionOfHostFrame(const HostRate& rate, uint64_t hostFrame,
                                         uint64_t hostOffset, uint64_t kernelOffset);

}  // namespace velmo
