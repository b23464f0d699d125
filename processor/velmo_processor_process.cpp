// VelmoProcessor::process: the audio thread. Queues the block's parameter changes, notes and
// the page's keys into the engine, lets it render, keeps the transport and output peaks for
// the controller's poll, and reports silence and failure. Allocates nothing and takes no lock.
#include "processor/velmo_processor.h"

#include <algorithm>

#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "platform/monotonic_clock.h"

namespace velmo {

using namespace Steinberg;
using namespace Steinberg::Vst;

void VelmoProcessor::queueParameterChanges(IParameterChanges* changes) {
    if (changes == nullptr) {
        return;
    }
    const int32 queues = changes->getParameterCount();
    for (int32 q = 0; q < queues; ++q) {
        IParamValueQueue* queue = changes->getParameterData(q);
        if (queue == nullptr) {
            continue;
        }
        const ParamID id = queue->getParameterId();
        const int32 points = queue->getPointCount();
        if (points <= 0 || id >= VELMO_PARAM_COUNT) {
            continue;
        }
        for (int32 p = 0; p < points; ++p) {
            int32 offset = 0;
            ParamValue value = 0;
            if (queue->getPoint(p, offset, value) == kResultOk) {
                engine.pushParamNormalized(id, value, offset);
            }
        }
    }
}

void VelmoProcessor::queueNoteEvents(IEventList* events) {
    if (events == nullptr) {
        return;
    }
    const int32 count = events->getEventCount();
    for (int32 i = 0; i < count; ++i) {
        Event e{};
        if (events->getEvent(i, e) != kResultOk) {
            continue;
        }
        const uint32_t route = engine.eventRouteForInput(std::max<int32>(e.busIndex, 0));
        if (e.type == Event::kNoteOnEvent) {
            core.queueNote(true, e.noteOn.pitch, e.noteOn.velocity, e.sampleOffset, route,
                           static_cast<uint32_t>(e.noteOn.channel));
        } else if (e.type == Event::kNoteOffEvent) {
            core.queueNote(false, e.noteOff.pitch, 0.0, e.sampleOffset, route,
                           static_cast<uint32_t>(e.noteOff.channel));
        }
    }
}

tresult PLUGIN_API VelmoProcessor::process(ProcessData& data) {
    if (data.symbolicSampleSize != kSample32) {
        return kResultFalse;
    }
    queueParameterChanges(data.inputParameterChanges);
    queueNoteEvents(data.inputEvents);

    if (data.numSamples <= 0) {
        // Applies the values now; queued again so the kernel still gets them at their
        // offsets in the next block that has samples.
        engine.processBlock(nullptr, 0, nullptr, 0, 0);
        queueParameterChanges(data.inputParameterChanges);
        return kResultOk;
    }

    if (data.numOutputs < 1 || data.outputs == nullptr ||
        data.outputs[0].channelBuffers32 == nullptr || data.outputs[0].numChannels < 1) {
        return kResultFalse;
    }
    AudioBusBuffers& out = data.outputs[0];
    const float* const* inputs = nullptr;
    int32 inputChannels = 0;
    if (data.numInputs >= 1 && data.inputs != nullptr) {
        inputs = data.inputs[0].channelBuffers32;
        inputChannels = data.inputs[0].numChannels;
    }

    // The page's keys enter at frame 0 of the block that renders next.
    audition.drainInto(engine, monotonicNanos());
    transport.capture(data.processContext, framesRendered);
    engine.processBlock(inputs, inputChannels, out.channelBuffers32, out.numChannels,
                        data.numSamples);
    framesRendered += static_cast<uint64>(data.numSamples);
    peaks.capture(out.channelBuffers32, out.numChannels, data.numSamples, engine.blockSilent());

    // The engine already knows when the whole block is zero; only a sounding block needs a
    // per-channel look.
    uint64 silence = 0;
    const int32 flagged = std::min<int32>(out.numChannels, 63);
    for (int32 c = 0; c < flagged; ++c) {
        const float* channel = out.channelBuffers32[c];
        if (engine.blockSilent() || channel == nullptr ||
            std::all_of(channel, channel + data.numSamples, [](float s) { return s == 0.0f; })) {
            silence |= uint64(1) << c;
        }
    }
    out.silenceFlags = silence;

    return engine.blockFailed() ? kResultFalse : kResultOk;
}

}  // namespace velmo
