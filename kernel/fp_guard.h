#pragma once
// Flush-to-zero and denormals-are-zero while in scope; restores the caller's floating-point
// control state. Decaying resonators would otherwise spend their tails in subnormals, which
// cost x86 cores orders of magnitude per operation.
#include <cstdint>

#if defined(__SSE2__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace velmo {

class ScopedFlushDenormals {
public:
    ScopedFlushDenormals(const ScopedFlushDenormals&) = delete;
    ScopedFlushDenormals& operator=(const ScopedFlushDenormals&) = delete;

#if defined(__SSE2__) || defined(__x86_64__)
    ScopedFlushDenormals() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | FLAGS); }
    ~ScopedFlushDenormals() { _mm_setcsr(saved_); }

private:
    static constexpr unsigned FLAGS = 0x8040u;  // FTZ (bit 15) | DAZ (bit 6)
    unsigned saved_;
#elif defined(__aarch64__)
    ScopedFlushDenormals() {
        __asm__ __volatile__("mrs %0, fpcr" : "=r"(saved_));
        uint64_t flushing = saved_ | (uint64_t(1) << 24);  // FZ
        __asm__ __volatile__("msr fpcr, %0" : : "r"(flushing));
    }
    ~ScopedFlushDenormals() { __asm__ __volatile__("msr fpcr, %0" : : "r"(saved_)); }

private:
    uint64_t saved_;
#else
    ScopedFlushDenormals() = default;
#endif
};

}  // namespace velmo
