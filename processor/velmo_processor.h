#pragma once
// VelmoProcessor: the instrument's audio component. A thin adapter between the host's
// processing interfaces and one InstrumentCore (the engine, CC map and state document): stereo output only, 32-bit samples, parameter
// changes and notes forwarded as timed engine events. Outside the audio stream it saves and
// restores the state document and exchanges JSON messages with the controller.
#include <cstdint>
#include <string>

#include "docs/state_chunk.h"
#include "diagnostics/host_facts.h"
#include "instrument/instrument_core.h"
#include "processor/audio_effect.h"
#include "instrument/audition_inbox.h"
#include "instrument/output_peaks.h"
#include "processor/transport_capture.h"

namespace velmo {

class VelmoProcessor : public AudioEffect {
public:
    // The kernel may be replaced (tests); the product uses its own.
    explicit VelmoProcessor(KernelModule& kernel = productKernelModule());
    ~VelmoProcessor() override;

    // The class factory's constructor: returns the new processor's IAudioProcessor.
    static Steinberg::FUnknown* createInstance(void* context);

    Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API setActive(Steinberg::TBool state) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream* state) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream* state) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs,
                                                     Steinberg::int32 numIns,
                                                     Steinberg::Vst::SpeakerArrangement* outputs,
                                                     Steinberg::int32 numOuts) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 symbolicSampleSize) SMTG_OVERRIDE;
    Steinberg::uint32 PLUGIN_API getLatencySamples() SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) SMTG_OVERRIDE;

    // Drains the engine's diagnostics and sends the runtime health document.
    void sendRuntimeDiagnostics(bool failed);

    // Loads the bank folder at path for the engine (main thread); the outcome (RuntimeBankOutcome)
    // with its explanation in detail. Every failure is recorded and the health document sent.
    int loadRuntimeBankFromPath(const std::string& path, const std::string& source,
                                const std::string& instrument, std::string& detail);

    // Read access for tests and tools.
    const KernelEngine& kernelEngine() const { return engine; }
    const HostFacts& lastHostFacts() const { return hostFacts; }
    const CcMap& storedCcMap() const { return core.ccMap(); }
    bool storedHasCcMap() const { return core.hasCcMap(); }
    const std::string& storedPresetText() const { return presetText; }
    const std::string& runtimeBankSource() const { return core.runtimeBankSource(); }
    const AuditionInbox& auditionInbox() const { return audition; }

    OBJ_METHODS(VelmoProcessor, AudioEffect)
    REFCOUNT_METHODS(AudioEffect)

private:
    void refreshHostFacts();
    void queueParameterChanges(Steinberg::Vst::IParameterChanges* changes);
    void queueNoteEvents(Steinberg::Vst::IEventList* events);
    // Sends `size` bytes as the binary attribute "json" of a new message; nothing when no
    // message can be allocated.
    void sendJson(const char* id, const void* bytes, std::size_t size);
    Steinberg::tresult applyPadOverridesMessage(Steinberg::Vst::IMessage* message);
    Steinberg::tresult applyCcMapMessage(Steinberg::Vst::IMessage* message);
    Steinberg::tresult loadRuntimeBankMessage(Steinberg::Vst::IMessage* message);
    Steinberg::tresult takeAuditionMessage(Steinberg::Vst::IMessage* message);
    // The poll's answer: the newest transport snapshot and the output peaks, each when there
    // is one since the last poll (or the transport again after a reset).
    void answerPoll(Steinberg::Vst::IMessage* poll);

    InstrumentCore core;
    KernelEngine& engine;  // core's
    HostFacts hostFacts;
    std::string presetText;  // from "velmo.diag.presetLoaded"; not saved
    // Shared with the audio thread, lock-free.
    AuditionInbox audition;
    OutputPeaks peaks;
    TransportCapture transport;
    std::uint64_t framesRendered = 0;  // the audio thread's own
};

}  // namespace velmo
