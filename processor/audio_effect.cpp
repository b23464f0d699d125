#include "processor/audio_effect.h"

namespace velmo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// Bus lists hold FObject-derived buses; the casts below are safe because each list only ever
// receives the kind of bus its media type names.
template <typename BusT>
BusT* busAt(BusList& list, int32 index) {
    if (index < 0 || index >= static_cast<int32>(list.size())) {
        return nullptr;
    }
    return static_cast<BusT*>(list.at(static_cast<size_t>(index)).get());
}

template <typename BusT, typename... Args>
BusT* appendBus(BusList& list, Args... args) {
    auto* bus = new BusT(args...);
    list.push_back(IPtr<Vst::Bus>(bus, false));
    return bus;
}

}  // namespace

AudioEffect::AudioEffect() {
    processSetup.processMode = kRealtime;
    processSetup.symbolicSampleSize = kSample32;
    processSetup.maxSamplesPerBlock = 0;
    processSetup.sampleRate = 0.0;
}

AudioBus* AudioEffect::addAudioInput(const tchar* name, SpeakerArrangement arrangement,
                                     BusType busType, int32 flags) {
    return appendBus<AudioBus>(audioInputs, name, busType, flags, arrangement);
}

AudioBus* AudioEffect::addAudioOutput(const tchar* name, SpeakerArrangement arrangement,
                                      BusType busType, int32 flags) {
    return appendBus<AudioBus>(audioOutputs, name, busType, flags, arrangement);
}

EventBus* AudioEffect::addEventInput(const tchar* name, int32 channels, BusType busType,
                                     int32 flags) {
    return appendBus<EventBus>(eventInputs, name, busType, flags, channels);
}

EventBus* AudioEffect::addEventOutput(const tchar* name, int32 channels, BusType busType,
                                      int32 flags) {
    return appendBus<EventBus>(eventOutputs, name, busType, flags, channels);
}

AudioBus* AudioEffect::getAudioInput(int32 index) { return busAt<AudioBus>(audioInputs, index); }
AudioBus* AudioEffect::getAudioOutput(int32 index) { return busAt<AudioBus>(audioOutputs, index); }
EventBus* AudioEffect::getEventInput(int32 index) { return busAt<EventBus>(eventInputs, index); }
EventBus* AudioEffect::getEventOutput(int32 index) { return busAt<EventBus>(eventOutputs, index); }

tresult PLUGIN_API AudioEffect::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                   SpeakerArrangement* outputs, int32 numOuts) {
    if (numIns < 0 || numOuts < 0 || numIns > static_cast<int32>(audioInputs.size()) ||
        numOuts > static_cast<int32>(audioOutputs.size()) || (numIns > 0 && inputs == nullptr) ||
        (numOuts > 0 && outputs == nullptr)) {
        return kResultFalse;
    }
    for (int32 i = 0; i < numIns; ++i) {
        getAudioInput(i)->setArrangement(inputs[i]);
    }
    for (int32 i = 0; i < numOuts; ++i) {
        getAudioOutput(i)->setArrangement(outputs[i]);
    }
    return kResultTrue;
}

tresult PLUGIN_API AudioEffect::getBusArrangement(BusDirection dir, int32 index,
                                                  SpeakerArrangement& arr) {
    AudioBus* bus = dir == kInput ? getAudioInput(index) : getAudioOutput(index);
    if (bus == nullptr) {
        return kInvalidArgument;
    }
    arr = bus->getArrangement();
    return kResultTrue;
}

tresult PLUGIN_API AudioEffect::canProcessSampleSize(int32 symbolicSampleSize) {
    return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

uint32 PLUGIN_API AudioEffect::getLatencySamples() { return 0; }

tresult PLUGIN_API AudioEffect::setupProcessing(ProcessSetup& setup) {
    if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue) {
        return kResultFalse;
    }
    processSetup = setup;
    return kResultOk;
}

tresult PLUGIN_API AudioEffect::setProcessing(TBool /*state*/) { return kResultOk; }

tresult PLUGIN_API AudioEffect::process(ProcessData& /*data*/) { return kResultOk; }

uint32 PLUGIN_API AudioEffect::getTailSamples() { return kNoTail; }

uint32 PLUGIN_API AudioEffect::getProcessContextRequirements() { return 0; }

}  // namespace velmo
