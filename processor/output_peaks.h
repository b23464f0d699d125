#pragma once
// The peak of each output channel since the last read: the audio thread raises it after each
// block, the controller's poll takes it and starts again from zero. Atomics only, so neither
// side waits for the other.
#include <atomic>
#include <cmath>
#include <cstdint>

namespace velmo {

class OutputPeaks {
public:
    // Audio thread: a rendered block (null channels are skipped, channels past two ignored).
    void capture(const float* const* channels, std::int32_t count, std::int32_t frames, bool silent) {
        for (std::int32_t c = 0; c < count && c < 2 && !silent; ++c) {
            const float* samples = channels[c];
            if (samples == nullptr) continue;
            float peak = 0.0f;
            for (std::int32_t i = 0; i < frames; ++i) {
                const float a = std::fabs(samples[i]);
                peak = a > peak ? a : peak;  // a NaN never wins
            }
            raise(peaks_[c], peak);
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
    static void raise(std::atomic<float>& slot, float value) {
        float current = slot.load(std::memory_order_relaxed);
        while (value > current && !slot.compare_exchange_weak(current, value, std::memory_order_relaxed)) {
        }
    }

    std::atomic<float> peaks_[2] = {};
    std::atomic<std::uint32_t> blocks_{0};
    std::uint32_t blocksTaken_ = 0;  // the poll's own
};

}  // namespace velmo
