#pragma once
// Base class for an audio component: a Component that is also an IAudioProcessor. It keeps
// the buses in the Component's lists, stores the last ProcessSetup and answers every
// IAudioProcessor call with a neutral default, so a subclass overrides only what it needs.
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "public.sdk/source/vst/vstbus.h"
#include "public.sdk/source/vst/vstcomponent.h"

namespace velmo {

class AudioEffect : public Steinberg::Vst::Component,
                    public Steinberg::Vst::IAudioProcessor,
                    public Steinberg::Vst::IProcessContextRequirements {
public:
    AudioEffect();

    // Bus helpers; each returns the new bus (owned by the component's bus list).
    Steinberg::Vst::AudioBus* addAudioInput(
        const Steinberg::tchar* name, Steinberg::Vst::SpeakerArrangement arrangement,
        Steinberg::Vst::BusType busType = Steinberg::Vst::kMain,
        Steinberg::int32 flags = Steinberg::Vst::BusInfo::kDefaultActive);
    Steinberg::Vst::AudioBus* addAudioOutput(
        const Steinberg::tchar* name, Steinberg::Vst::SpeakerArrangement arrangement,
        Steinberg::Vst::BusType busType = Steinberg::Vst::kMain,
        Steinberg::int32 flags = Steinberg::Vst::BusInfo::kDefaultActive);
    Steinberg::Vst::EventBus* addEventInput(
        const Steinberg::tchar* name, Steinberg::int32 channels = 16,
        Steinberg::Vst::BusType busType = Steinberg::Vst::kMain,
        Steinberg::int32 flags = Steinberg::Vst::BusInfo::kDefaultActive);
    Steinberg::Vst::EventBus* addEventOutput(
        const Steinberg::tchar* name, Steinberg::int32 channels = 16,
        Steinberg::Vst::BusType busType = Steinberg::Vst::kMain,
        Steinberg::int32 flags = Steinberg::Vst::BusInfo::kDefaultActive);

    // Null when the index is out of range.
    Steinberg::Vst::AudioBus* getAudioInput(Steinberg::int32 index);
    Steinberg::Vst::AudioBus* getAudioOutput(Steinberg::int32 index);
    Steinberg::Vst::EventBus* getEventInput(Steinberg::int32 index);
    Steinberg::Vst::EventBus* getEventOutput(Steinberg::int32 index);

    const Steinberg::Vst::ProcessSetup& storedSetup() const { return processSetup; }

    // IAudioProcessor
    Steinberg::tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs,
                                                     Steinberg::int32 numIns,
                                                     Steinberg::Vst::SpeakerArrangement* outputs,
                                                     Steinberg::int32 numOuts) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API getBusArrangement(Steinberg::Vst::BusDirection dir,
                                                    Steinberg::int32 index,
                                                    Steinberg::Vst::SpeakerArrangement& arr) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 symbolicSampleSize) SMTG_OVERRIDE;
    Steinberg::uint32 PLUGIN_API getLatencySamples() SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API setProcessing(Steinberg::TBool state) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) SMTG_OVERRIDE;
    Steinberg::uint32 PLUGIN_API getTailSamples() SMTG_OVERRIDE;

    // IProcessContextRequirements: nothing requested.
    Steinberg::uint32 PLUGIN_API getProcessContextRequirements() SMTG_OVERRIDE;

    OBJ_METHODS(AudioEffect, Steinberg::Vst::Component)
    DEFINE_INTERFACES
        DEF_INTERFACE(Steinberg::Vst::IAudioProcessor)
        DEF_INTERFACE(Steinberg::Vst::IProcessContextRequirements)
    END_DEFINE_INTERFACES(Steinberg::Vst::Component)
    REFCOUNT_METHODS(Steinberg::Vst::Component)

protected:
    // Zero rate and block size until the host sets processing up.
    Steinberg::Vst::ProcessSetup processSetup;
};

}  // namespace velmo
