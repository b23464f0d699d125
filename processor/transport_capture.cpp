#include "processor/transport_capture.h"

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
    if (context != nullptr) record_.publish(transportFactOf(*context, frame));
}

bool TransportCapture::take(TransportFact& fact, bool again) {
    const std::uint32_t version = record_.version();
    if (version == 0 || (version == taken_ && !again)) return false;
    std::uint32_t read = 0;
    if (!record_.read(fact, read)) return false;
    taken_ = read;
    return true;
}

}  // namespace velmo
