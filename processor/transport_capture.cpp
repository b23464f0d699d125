#include "processor/transport_capture.h"

#include <cstring>

#include "pluginterfaces/vst/ivstprocesscontext.h"

namespace velmo {

using Steinberg::Vst::ProcessContext;

TransportFact transportFactOf(const ProcessContext& c, std::uint64_t frame) {
    const auto has = [&c](std::uint32_t flag) -> std::uint8_t { return (c.state & flag) != 0 ? 1 : 0; };
    TransportFact f;
    f.atFrame = frame;
    f.source = static_cast<std::uint8_t>(TransportSource::Host);
    f.playing = has(ProcessContext::kPlaying);
    f.recording = has(ProcessContext::kRecording);
    f.looping = has(ProcessContext::kCycleActive);
    f.hasTempo = has(ProcessContext::kTempoValid);
    f.hasTimeSignature = has(ProcessContext::kTimeSigValid);
    f.hasPosition = has(ProcessContext::kProjectTimeMusicValid);
    f.hasLoop = has(ProcessContext::kCycleValid);
    if (f.hasTempo) f.tempo = c.tempo;
    if (f.hasTimeSignature) {
        f.numerator = c.timeSigNumerator;
        f.denominator = c.timeSigDenominator;
    }
    if (f.hasPosition) f.ppqPosition = c.projectTimeMusic;
    if (has(ProcessContext::kBarPositionValid)) f.barPositionPpq = c.barPositionMusic;
    if (f.hasLoop) {
        f.loopStartPpq = c.cycleStartMusic;
        f.loopEndPpq = c.cycleEndMusic;
    }
    f.sampleRate = c.sampleRate;
    f.projectTimeSamples = c.projectTimeSamples;
    return f;
}

void TransportCapture::capture(const ProcessContext* context, std::uint64_t frame) {
    if (context == nullptr) return;
    const TransportFact fact = transportFactOf(*context, frame);
    std::uint64_t words[kWords];
    std::memcpy(words, &fact, sizeof fact);
    const std::uint32_t sequence = sequence_.load(std::memory_order_relaxed);
    sequence_.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    for (std::size_t i = 0; i < kWords; ++i) words_[i].store(words[i], std::memory_order_relaxed);
    sequence_.store(sequence + 2, std::memory_order_release);
}

bool TransportCapture::take(TransportFact& fact, bool again) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::uint32_t before = sequence_.load(std::memory_order_acquire);
        if (before == 0 || (before == taken_ && !again)) return false;
        if ((before & 1u) != 0) continue;
        std::uint64_t words[kWords];
        for (std::size_t i = 0; i < kWords; ++i) words[i] = words_[i].load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (sequence_.load(std::memory_order_relaxed) != before) continue;
        std::memcpy(&fact, words, sizeof fact);
        taken_ = before;
        return true;
    }
    return false;
}

}  // namespace velmo
