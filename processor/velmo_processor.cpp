// VelmoProcessor: construction, buses, processing setup, activation and the host facts.
#include "processor/velmo_processor.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "pluginterfaces/vst/vstspeaker.h"
#include "processor/plugin_ids.h"
#include "processor/processor_messages.h"

namespace velmo {

using namespace Steinberg;
using namespace Steinberg::Vst;

VelmoProcessor::VelmoProcessor(KernelModule& kernel) : core(kernel), engine(core.engine()) {
    setControllerClass(kControllerUid);
}

VelmoProcessor::~VelmoProcessor() = default;

FUnknown* VelmoProcessor::createInstance(void* /*context*/) {
    return static_cast<IAudioProcessor*>(new VelmoProcessor());
}

tresult PLUGIN_API VelmoProcessor::initialize(FUnknown* context) {
    const tresult result = AudioEffect::initialize(context);
    if (result != kResultOk) {
        return result;
    }
    addAudioOutput(STR16("Stereo Out"), SpeakerArr::kStereo);
    for (int32 i = 0; i < engine.eventInputCount(); ++i) {
        addEventInput(STR16("Event In"), 1);
    }
    return kResultOk;
}

tresult PLUGIN_API VelmoProcessor::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                      SpeakerArrangement* outputs, int32 numOuts) {
    if (outputs == nullptr || numIns != 0 || numOuts != 1 || outputs[0] != SpeakerArr::kStereo) {
        return kResultFalse;
    }
    const tresult result = AudioEffect::setBusArrangements(inputs, 0, outputs, 1);
    if (result != kResultOk) {
        return result;
    }
    refreshHostFacts();
    return kResultOk;
}

tresult PLUGIN_API VelmoProcessor::canProcessSampleSize(int32 symbolicSampleSize) {
    return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

uint32 PLUGIN_API VelmoProcessor::getLatencySamples() {
    const double rate = engine.hostSampleRate();
    if (!engine.rateConverted() || rate == 48000.0) {
        return 0;
    }
    return static_cast<uint32>(std::floor(rate * 20.0 / 48000.0 + 16.0 + 0.999999));
}

tresult PLUGIN_API VelmoProcessor::setupProcessing(ProcessSetup& setup) {
    const tresult result = AudioEffect::setupProcessing(setup);
    if (result != kResultOk) {
        return result;
    }
    if (!engine.setup(processSetup.sampleRate, processSetup.maxSamplesPerBlock)) {
        sendRuntimeDiagnostics(true);
        return kResultFalse;
    }
    refreshHostFacts();
    return kResultOk;
}

tresult PLUGIN_API VelmoProcessor::setActive(TBool state) {
    if (!state) {
        // Keys held on the page end here; what they queued is not played at the next start.
        audition.setProcessing(false);
        audition.releaseAll();
    }
    if (state && !engine.setup(processSetup.sampleRate, processSetup.maxSamplesPerBlock)) {
        sendRuntimeDiagnostics(true);
        return kResultFalse;
    }
    const tresult result = AudioEffect::setActive(state);
    if (result != kResultOk) {
        return result;
    }
    if (state) {
        audition.setProcessing(true);
    }
    refreshHostFacts();
    return kResultOk;
}

void VelmoProcessor::refreshHostFacts() {
    HostFacts fresh;
    std::memcpy(fresh.hostName, hostFacts.hostName, sizeof fresh.hostName);
    std::memcpy(fresh.hostVersion, hostFacts.hostVersion, sizeof fresh.hostVersion);
    fresh.validatorHost = hostFacts.validatorHost;
    fresh.sampleRate = processSetup.sampleRate;
    fresh.maxBlockFrames = processSetup.maxSamplesPerBlock;
    switch (processSetup.processMode) {
        case kOffline: fresh.processMode = 1; break;
        case kPrefetch: fresh.processMode = 2; break;
        default: fresh.processMode = 0; break;
    }
    fresh.sampleSize = processSetup.symbolicSampleSize == kSample64 ? 64 : 32;
    fresh.latencySamples = static_cast<int32_t>(getLatencySamples());
    fresh.tailKind = static_cast<std::uint8_t>(TailKind::Unreported);

    auto addBuses = [&fresh](BusList& list, const char* prefix, bool isInput) {
        for (size_t i = 0; i < list.size(); ++i) {
            auto* bus = static_cast<AudioBus*>(list[i].get());
            const SpeakerArrangement arr = bus->getArrangement();
            const char* layout = arr == SpeakerArr::kStereo ? "stereo"
                                 : arr == SpeakerArr::kMono ? "mono"
                                                            : "";
            char id[32];
            std::snprintf(id, sizeof id, "%s%zu", prefix, i);
            fresh.addBus(id, isInput, SpeakerArr::getChannelCount(arr), bus->isActive() != 0,
                         layout);
        }
    };
    addBuses(audioInputs, "in", true);
    addBuses(audioOutputs, "out", false);

    hostFacts = fresh;
    sendJson(kMessageHostFacts, &hostFacts, sizeof hostFacts);
}

}  // namespace velmo
