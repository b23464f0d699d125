#pragma once
// The peak of each output channel since the last read: the audio thread raises it after each
// block, the controller's poll takes it and starts again from zero. Atomics only, so neither
// side waits for the other.
#include <atomic>
#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmo {

class OutputPeaks {
public:
    // Audio thread: a rendered block (null channels are skipped, channels past two ignored).
    void capture(const float* const* channels, std::int32_t count, std::int32_t frames, bool silent) {
        for (std::int32_t c = 0; c < count && c < 2 && !silent; ++c) {
            const float* samples = channels[c];
            if (samples == nullptr) continue;
            raise(peaks_[c], peakOf(samples, frames));
        }
        blocks_.fetch_add(1, std::memory_order_release);
    }

    // Poll: false when no block was rendered since the last take (nothing to report).
    bool take(float out[2]) {
        const std::uint32_t blocks = blocks_.load(std::memory_order_acquire);
        if (blocks == blocksTaken_) return false;
        blocksTaken_ = blocks;
        out[0] = peaks_[0].exchange(0.0f, std::memory_order_relaxed);
        out[1] = peaks_[1].exchange(0.0f, std::memory_order_relaxed);
        return true;
    }

private:
    // The largest magnitude; a NaN never wins a comparison. With SSE four running maxima of four
    // (the compiler does not vectorise a float maximum on its own without relaxing float rules).
    static float peakOf(const float* samples, std::int32_t frames) {
        float peak = 0.0f;
        std::int32_t i = 0;
#if defined(__SSE2__)
        const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
        __m128 m[4] = {_mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps()};
        for (; i + 16 <= frames; i += 16) {
            for (int k = 0; k < 4; ++k)  // max(a, m) answers m when a is NaN
                m[k] = _mm_max_ps(_mm_and_ps(_mm_loadu_ps(samples + i + 4 * k), magnitude), m[k]);
        }
        alignas(16) float lanes[4];
        _mm_store_ps(lanes, _mm_max_ps(_mm_max_ps(m[0], m[1]), _mm_max_ps(m[2], m[3])));
        for (const float lane : lanes) peak = lane > peak ? lane : peak;
#endif
        for (; i < frames; ++i) {
            const float a = std::fabs(samples[i]);
            peak = a > peak ? a : peak;
        }
        return peak;
    }

    static void raise(std::atomic<float>& slot, float value) {
        float current = slot.load(std::memory_order_relaxed);
        while (value > current && !slot.compare_exchange_weak(current, value, std::memory_order_relaxed)) {}
    }

    std::atomic<float> peaks_[2] = {};
    std::atomic<std::uint32_t> blocks_{0};
    std::uint32_t blocksTaken_ = 0;  // the poll's own
};

}  // namespace velmo
