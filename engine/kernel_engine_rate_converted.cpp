// KernelEngine: the sample-rate adapter. The kernel runs at 48 000 Hz, paced 16 host frames
// behind the host input; its output is interpolated to the host rate 20 kernel frames later.
// Every position is an exact fraction, so the two clocks never drift apart.
#include <cstring>

#include "engine/kernel_engine.h"
#include "engine/resampling_filter.h"

namespace velmo {
namespace {

constexpr uint64_t kHostLag = 16;    // host frames the kernel runs behind the input
constexpr uint64_t kKernelLag = 20;  // kernel frames the output reads behind the kernel
constexpr uint64_t kKeep = 16;       // history kept in front of each FIFO's read position
constexpr uint32_t kChunkFrames = 128;

// Drops `drop` frames from the front of both channels of a planar FIFO.
void dropFront(float* fifo, uint64_t capacity, uint64_t count, uint64_t drop) {
    if (drop == 0) return;
    for (int c = 0; c < 2; ++c) {
        float* ch = fifo + c * capacity;
        std::memmove(ch, ch + drop, sizeof(float) * (count - drop));
    }
}

// Four-lane partial sums (GCC/Clang vector extension, any target): two short dependency
// chains instead of one of 32 additions.
typedef float Float4 __attribute__((vector_size(16)));

inline Float4 load4(const float* p) {
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Both channels against one row of taps: the taps are loaded once, and the two channels'
// sums are independent chains the processor overlaps.
inline void dot32x2(const float* taps, const float* x0, const float* x1, float& y0, float& y1) {
    Float4 a0 = {0, 0, 0, 0}, b0 = {0, 0, 0, 0}, a1 = {0, 0, 0, 0}, b1 = {0, 0, 0, 0};
    for (int j = 0; j < VELMO_FILTER_TAPS; j += 8) {
        const Float4 t = load4(taps + j), u = load4(taps + j + 4);
        a0 += t * load4(x0 + j);
        b0 += u * load4(x0 + j + 4);
        a1 += t * load4(x1 + j);
        b1 += u * load4(x1 + j + 4);
    }
    const Float4 s0 = a0 + b0, s1 = a1 + b1;
    y0 = (s0[0] + s0[2]) + (s0[1] + s0[3]);
    y1 = (s1[0] + s1[2]) + (s1[1] + s1[3]);
}

}  // namespace

void KernelEngine::trimInputFifo() {
    const uint64_t r = hostFrameAtKernelFrame(rate_, kernelInputFrames_);
    const uint64_t a = r > kKeep ? r - kKeep : 0;
    if (a <= inputFifoStart_) return;
    const uint64_t drop = a - inputFifoStart_ < inputFifoCount_ ? a - inputFifoStart_ : inputFifoCount_;
    dropFront(inputFifo_.data(), fifoCapacity_, inputFifoCount_, drop);
    inputFifoStart_ += drop;
    inputFifoCount_ -= drop;
}

void KernelEngine::trimOutputFifo() {
    const KernelPosition t = kernelPositionOfHostFrame(rate_, hostOutputFrames_, kHostLag, kKernelLag);
    const uint64_t b = t.frame > static_cast<int64_t>(kKeep) ? static_cast<uint64_t>(t.frame) - kKeep : 0;
    if (b <= outputFifoStart_) return;
    const uint64_t drop = b - outputFifoStart_ < outputFifoCount_ ? b - outputFifoStart_ : outputFifoCount_;
    dropFront(outputFifo_.data(), fifoCapacity_, outputFifoCount_, drop);
    outputFifoStart_ += drop;
    outputFifoCount_ -= drop;
}

bool KernelEngine::processHandleV2RateConverted(const float* const* inputs, int32_t inputChannels,
                                                float* const* outputs, int32_t outputChannels, int32_t frames) {
    if (frames <= 0 || outputChannels <= 0 || outputs == nullptr || frames > maxBlockFrames_ ||
        kernelHandle_ == 0 || inputView_ == nullptr || outputView_ == nullptr || fifoCapacity_ == 0)
        return false;
    const uint64_t n = static_cast<uint64_t>(frames);

    // Events keep the host frame they were queued for, however many blocks they wait.
    for (int32_t i = 0; i < queue_.count(); ++i) {
        velmo_engine_event& e = queue_[i];
        if (e.stamped) continue;
        e.stamp = hostInputFrames_ + static_cast<uint64_t>(e.frame > 0 ? e.frame : 0);
        e.stamped = true;
    }
    queue_.sortByStamp();

    trimInputFifo();
    trimOutputFifo();

    if (inputFifoCount_ + n > fifoCapacity_) return false;
    for (int32_t c = 0; c < 2; ++c) {
        float* dst = inputFifo_.data() + c * fifoCapacity_ + inputFifoCount_;
        const float* src = (inputs != nullptr && c < inputChannels) ? inputs[c] : nullptr;
        if (src != nullptr)
            std::memcpy(dst, src, sizeof(float) * n);
        else
            std::memset(dst, 0, sizeof(float) * n);
    }
    inputFifoCount_ += n;

    // Kernel frame W may render once host input frame floor(W * rate / 48 000) + 16 exists.
    const uint64_t inputEnd = inputFifoStart_ + inputFifoCount_;
    const uint64_t kernelEnd = inputEnd > kHostLag ? firstKernelFrameAtHostFrame(rate_, inputEnd - kHostLag) : 0;
    uint64_t toRender = kernelEnd > kernelInputFrames_ ? kernelEnd - kernelInputFrames_ : 0;
    if (toRender > fifoCapacity_) toRender = fifoCapacity_;
    kernelInputFrames_ += toRender;

    bool failed = false;
    while (toRender > 0) {
        const uint32_t chunk = toRender < kChunkFrames ? static_cast<uint32_t>(toRender) : kChunkFrames;
        const uint64_t chunkStart = kernelFramesRendered_;
        publishDirtyProductParameters(nullptr);
        for (int32_t i = 0; i < queue_.count(); ++i) {
            velmo_engine_event& e = queue_[i];
            if (e.delivered) continue;
            uint64_t at = nearestKernelFrame(rate_, e.stamp);
            if (at < chunkStart) at = chunkStart;  // already past: as soon as possible
            if (at >= chunkStart + chunk) break;   // sorted by stamp: the rest come later
            deliverEvent(e, static_cast<uint32_t>(at - chunkStart));
        }
        const bool rendered = renderKernelChunk(chunk);
        if (!rendered) failed = true;
        if (outputFifoCount_ + chunk > fifoCapacity_) return false;
        for (int c = 0; c < 2; ++c) {
            float* dst = outputFifo_.data() + c * fifoCapacity_ + outputFifoCount_;
            if (rendered)
                std::memcpy(dst, outputView_ + c * kChunkFrames, sizeof(float) * chunk);
            else
                std::memset(dst, 0, sizeof(float) * chunk);
        }
        outputFifoCount_ += chunk;
        kernelFramesRendered_ += chunk;
        toRender -= chunk;
    }

    // Host frame h reads the kernel at (h - 16) * 48 000 / rate - 20; step through the block
    // exactly, adding 48 000 / rate per host frame as a whole part and a remainder.
    bool silent = true;
    const float* const fifo[2] = {outputFifo_.data(), outputFifo_.data() + fifoCapacity_};
    const uint64_t num = rate_.numerator;
    const KernelPosition step = kernelPositionOfHostFrame(rate_, 1, 0, 0);
    const uint64_t twiceNum = 2 * num;
    const double inverseTwiceNum = 1.0 / static_cast<double>(twiceNum);
    KernelPosition t = kernelPositionOfHostFrame(rate_, hostOutputFrames_, kHostLag, kKernelLag);
    bool anyChannel = false;
    for (int32_t c = 0; c < outputChannels; ++c) anyChannel = anyChannel || outputs[c] != nullptr;
    for (uint64_t i = 0; i < n; ++i) {
        if (i > 0) {
            t.frame += step.frame;
            t.remainder += step.remainder;
            if (t.remainder >= num) {
                t.remainder -= num;
                ++t.frame;
            }
        }
        const uint64_t q = static_cast<uint64_t>(t.frame);
        const bool available = t.frame >= 0 && q >= outputFifoStart_ &&
                               q + 16 < outputFifoStart_ + outputFifoCount_;
        if (!anyChannel) continue;
        if (!available) {
            for (int32_t c = 0; c < outputChannels; ++c) {
                if (outputs[c] != nullptr) outputs[c][i] = 0.0f;
            }
            continue;
        }
        // The nearest of 1024 phases to remainder / numerator: a floating-point guess made
        // exact with integer checks (all below 2^56), cheaper than a division per frame.
        const uint64_t phaseNumer = 2 * t.remainder * VELMO_FILTER_PHASES + num;
        uint64_t phase = static_cast<uint64_t>(static_cast<double>(phaseNumer) * inverseTwiceNum);
        while (phase > 0 && phase * twiceNum > phaseNumer) --phase;
        while ((phase + 1) * twiceNum <= phaseNumer) ++phase;
        if (phase > VELMO_FILTER_PHASES - 1) phase = VELMO_FILTER_PHASES - 1;
        const float* taps = outputFilterTable_.data() + phase * VELMO_FILTER_TAPS;
        const float tapSum = outputFilterSums_[phase];
        const uint64_t centre = q - outputFifoStart_;
        float value[2];
        if (tapSum == 0.0f) {
            value[0] = fifo[0][centre];
            value[1] = fifo[1][centre];
        } else {
            if (centre >= static_cast<uint64_t>(VELMO_FILTER_CENTRE)) {
                dot32x2(taps, fifo[0] + centre - VELMO_FILTER_CENTRE, fifo[1] + centre - VELMO_FILTER_CENTRE,
                        value[0], value[1]);
            } else {
                float window[2][VELMO_FILTER_TAPS];  // clamped to the oldest frame kept
                for (int j = 0; j < VELMO_FILTER_TAPS; ++j) {
                    const int64_t at = static_cast<int64_t>(centre) - VELMO_FILTER_CENTRE + j;
                    window[0][j] = fifo[0][at < 0 ? 0 : at];
                    window[1][j] = fifo[1][at < 0 ? 0 : at];
                }
                dot32x2(taps, window[0], window[1], value[0], value[1]);
            }
            value[0] /= tapSum;
            value[1] /= tapSum;
        }
        for (int32_t c = 0; c < outputChannels; ++c) {
            if (outputs[c] == nullptr) continue;
            const float v = value[c == 1 ? 1 : 0];
            outputs[c][i] = v;
            if (v != 0.0f) silent = false;
        }
    }

    hostInputFrames_ += n;
    hostOutputFrames_ += n;
    trimOutputFifo();
    queue_.removeDelivered();
    blockSilent_ = silent;
    return !failed;
}

}  // namespace velmo
