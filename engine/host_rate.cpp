#include "engine/host_rate.h"

#include <cmath>

namespace velmo {
namespace {

using u128 = unsigned __int128;
using i128 = __int128;

uint64_t gcd64(uint64_t a, uint64_t b) {
    while (b != 0) {
        const uint64_t t = a % b;
        a = b;
        b = t;
    }
    return a;
}

// Kernel frames per host frame are 48 000 * den / num.
u128 kernelScale(const HostRate& r) { return static_cast<u128>(VELMO_KERNEL_FALLBACK_RATE) * r.denominator; }

// floor(a / b) for signed a and positive b.
i128 floorDiv(i128 a, i128 b) {
    i128 q = a / b;
    if ((a % b != 0) && (a < 0)) --q;
    return q;
}

}  // namespace

bool exactHostRate(double sampleRate, HostRate& rate) {
    if (!std::isfinite(sampleRate) || sampleRate < 0.000001 || sampleRate > 4000000.0) return false;
    const double m = std::round(sampleRate * 1000000.0);  // halves away from zero
    if (!std::isfinite(m) || m < 1.0 || m > 18446744073709551616.0) return false;
    const uint64_t whole = static_cast<uint64_t>(m);
    const uint64_t g = gcd64(whole, 1000000);
    rate.numerator = whole / g;
    rate.denominator = 1000000 / g;
    return std::isfinite(static_cast<double>(rate.numerator) / static_cast<double>(rate.denominator));
}

uint64_t adapterFifoCapacity(const HostRate& rate, int32_t maxBlockFrames) {
    const u128 num = rate.numerator;
    const u128 k = (num + kernelScale(rate) * static_cast<u128>(maxBlockFrames) - 1) / num;
    const u128 a = k + 64;
    const u128 b = 3 * static_cast<u128>(maxBlockFrames) + 8;
    const u128 c = a > b ? a : b;
    return c > UINT64_MAX ? UINT64_MAX : static_cast<uint64_t>(c);
}

uint64_t hostFrameAtKernelFrame(const HostRate& rate, uint64_t kernelFrame) {
    return static_cast<uint64_t>(static_cast<u128>(kernelFrame) * rate.numerator / kernelScale(rate));
}

uint64_t firstKernelFrameAtHostFrame(const HostRate& rate, uint64_t hostFrame) {
    const u128 num = rate.numerator;
    return static_cast<uint64_t>((static_cast<u128>(hostFrame) * kernelScale(rate) + num - 1) / num);
}

uint64_t nearestKernelFrame(const HostRate& rate, uint64_t hostFrame) {
    const u128 num = rate.numerator;
    return static_cast<uint64_t>((2 * static_cast<u128>(hostFrame) * kernelScale(rate) + num) / (2 * num));
}

KernelPosition kernelPositionOfHostFrame(const HostRate& rate, uint64_t hostFrame,
                                         uint64_t hostOffset, uint64_t kernelOffset) {
    const i128 num = static_cast<i128>(rate.numerator);
    const i128 scaled = (static_cast<i128>(hostFrame) - static_cast<i128>(hostOffset)) *
                            static_cast<i128>(kernelScale(rate)) -
                        static_cast<i128>(kernelOffset) * num;
    const i128 q = floorDiv(scaled, num);
    return KernelPosition{static_cast<int64_t>(q), static_cast<uint64_t>(scaled - q * num)};
}

}  // namespace velmo
