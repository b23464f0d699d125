#pragma once
// The instrument's VST3 edit controller: the ten parameters, the factory program list, the CC
// map and MIDI mapping, the lifecycle log and the channel to the editor page. It lives on the
// thread that initialised it (the host's UI thread): parameter sets arriving on any other thread
// are handed over to it and applied at its next tick. It reaches the processor through messages
// only.

#include <cstdint>
#include <memory>
#include <string>

#include "banks/bank_control.h"
#include "banks/single_bank_fetch.h"
#include "ccmap/cc_map.h"
#include "controller/audition_relay.h"
#include "controller/bank_bridge.h"
#include "controller/editor_host.h"
#include "controller/hidden_page.h"
#include "ccmap/cc_mapping.h"
#include "controller/controller_ids.h"
#include "controller/diagnostic_feeds.h"
#include "controller/host_calls.h"
#include "controller/page_channel.h"
#include "controller/preset_tracker.h"
#include "diagnostics/host_facts.h"
#include "diagnostics/message_ids.h"
#include "diagnostics/output_levels.h"
#include "diagnostics/transport_fact.h"
#include "diagnostics/lifecycle_log.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "public.sdk/source/vst/vsteditcontroller.h"

namespace velmo {

class VelmoController : public Steinberg::Vst::EditControllerEx1,
                        public Steinberg::Vst::IMidiMapping,
                        public EditorHost {
public:
    VelmoController();
    ~VelmoController() override;

    // Factory entry: a new controller, answered as its IEditController.
    static Steinberg::FUnknown* createInstance(void* context);

    // IPluginBase / IEditController
    Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;
    Steinberg::tresult PLUGIN_API terminate() override;
    Steinberg::tresult PLUGIN_API setComponentState(Steinberg::IBStream* state) override;
    Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream* state) override;
    Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream* state) override;
    Steinberg::tresult PLUGIN_API setParamNormalized(Steinberg::Vst::ParamID id,
                                                     Steinberg::Vst::ParamValue value) override;
    Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override;

    // Host-given indices, ids and out-buffers are checked before the SDK containers see them:
    // those index with at() and would throw into the host.
    Steinberg::tresult PLUGIN_API getParameterInfo(Steinberg::int32 paramIndex,
                                                   Steinberg::Vst::ParameterInfo& info) override;
    Steinberg::tresult PLUGIN_API getParamStringByValue(Steinberg::Vst::ParamID id,
                                                        Steinberg::Vst::ParamValue valueNormalized,
                                                        Steinberg::Vst::String128 string) override;

    // IUnitInfo
    Steinberg::tresult PLUGIN_API getUnitInfo(Steinberg::int32 unitIndex,
                                              Steinberg::Vst::UnitInfo& info) override;
    Steinberg::tresult PLUGIN_API selectUnit(Steinberg::Vst::UnitID unitId) override;
    Steinberg::tresult PLUGIN_API getProgramName(Steinberg::Vst::ProgramListID listId,
                                                 Steinberg::int32 programIndex,
                                                 Steinberg::Vst::String128 name) override;
    Steinberg::tresult PLUGIN_API getProgramInfo(Steinberg::Vst::ProgramListID listId,
                                                 Steinberg::int32 programIndex,
                                                 Steinberg::Vst::CString attributeId,
                                                 Steinberg::Vst::String128 attributeValue) override;
    Steinberg::tresult PLUGIN_API getProgramPitchName(Steinberg::Vst::ProgramListID listId,
                                                      Steinberg::int32 programIndex,
                                                      Steinberg::int16 midiPitch,
                                                      Steinberg::Vst::String128 name) override;

    // IConnectionPoint
    Steinberg::tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) override;

    // IMidiMapping
    Steinberg::tresult PLUGIN_API getMidiControllerAssignment(
        Steinberg::int32 busIndex, Steinberg::int16 channel,
        Steinberg::Vst::CtrlNumber midiControllerNumber, Steinberg::Vst::ParamID& id) override;

    // EditorHost
    Steinberg::FUnknown* editorHostObject() override { return static_cast<Steinberg::Vst::IEditController*>(this); }
    void handleBridgeMessage(const char* data, std::size_t size) override;
    void setBridgeSink(BridgeSink sink) override;
    void onEditorOpened() override;
    void onEditorClosed() override;
    void onEditorError(const char* reason) override;
    void onEditorShown(bool shown) override;  // hidden_page.cpp

    // Page documents (dropped while no page sink is installed).
    void sendToUi(const std::string& document);
    void sendHello();
    // Unchanged values are not sent twice; a new page (sink or hello) gets every value again.
    void sendParamChanged(std::uint32_t id, double normalized);
    // "velmo.presetState": the current preset and whether the values still match it.
    void sendPresetState();

    // A value edited on the page (inside the page's own begin/end gesture): set and performed,
    // but not echoed back to the page.
    void setParamFromPage(std::uint32_t id, double normalized);

    // Factory presets.
    void applyFactoryPreset(std::uint32_t index);
    bool presetDirty() const { return presets_.dirty(); }
    void refreshPresetState() { presets_.refresh(); }
    const PresetStateFacts& presetState() const { return presets_.facts(); }

    // CC map: adopted from state or the page, kept for the controller's life once present.
    void adoptCcMap(const CcMap& map, bool notifyPage);
    void sendCcMapToProcessor();
    bool hasCcMap() const { return ccMapping_.present; }
    const CcMap& ccMap() const { return ccMapping_.map; }

    // Lifecycle log.
    DiagnosticLifecycleEvent& recordLifecycle(DiagnosticLifecycleKind kind, std::int64_t frame) {
        return feeds_.record(kind, frame);
    }
    void emitLifecycle(DiagnosticLifecycleKind kind, std::int64_t frame) { feeds_.emit(kind, frame); }
    void publishLastLifecycle() { feeds_.publishLast(); }
    const DiagnosticLifecycleLog& lifecycleLog() const { return feeds_.log(); }

    void sendPresetLoadedToProcessor(const std::string& json);
    // Sends `payload` as the "json" attribute of a new message; false when it did not reach
    // a processor.
    bool sendToProcessor(const char* id, const std::string& payload);

    // Sample banks.
    BankControl& bankControl() { return bankControl_; }
    void sendBankState(const char* reason, const char* errorCode = nullptr,
                       const std::string& requestedId = std::string());
    // The current value of parameter id (0-9) as a plain value, without step quantisation.
    double unquantisedPlainValue(std::uint32_t id);

    // Diagnostic subscription of the page (feed bits above, rate at most 30 Hz).
    void subscribeDiagnostics(std::uint32_t feeds, double hz);
    void unsubscribeDiagnostics() { feeds_.unsubscribe(); }
    std::uint32_t feedMask() const { return feeds_.mask(); }
    double feedRateHz() const { return feeds_.rateHz(); }

    // Cadence: a 30 Hz clock that polls the processor for transport and feed data.
    void startCadenceClock();
    // A run loop the host offers later (the plug frame's, once a view attaches) takes the clock
    // when it has none yet; true when it did. The loop is only lent: returnCadenceClock gives it
    // back before the view lets go of its frame, and the clock starts again as it first would.
    bool startCadenceClockOn(Steinberg::FUnknown* hostObject) override;
    void returnCadenceClock() override;
    void stopCadenceClock();
    void tickCadence() override;
    void pollTransport();
    void drainProcessorFeeds();
    void adoptTransportFact(const TransportFact& fact) { feeds_.adoptTransport(fact); }
    void adoptHostFacts(const HostFacts& facts);
    // The processor's output peaks, as "velmo.meters" to a page subscribed to "meters".
    void adoptOutputLevels(const OutputLevels& levels) { feeds_.adoptOutputLevels(levels); }

    const HostFacts& hostFacts() const { return hostFacts_; }
    const std::string& runtimeHealthReport() const { return runtimeHealth_; }
    bool helloSent() const { return helloSent_; }

    OBJ_METHODS(VelmoController, EditControllerEx1)
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    REFCOUNT_METHODS(EditControllerEx1)

private:
    friend class BankBridge;

    void captureHostIdentity(Steinberg::FUnknown* context);
    void buildParameters();
    void applyProgramChange(double value);
    // A value the host (or a restored state) set: to the page unless it is the page's own.
    void echoToPage(Steinberg::Vst::ParamID id, double normalized);
    // One complete host gesture (begin, set, page echo, perform, end) for a value the plug-in
    // itself changes, so the host records it.
    void editGesture(Steinberg::Vst::ParamID id, double normalized);
    // Tells the page when the dirty flag it last heard no longer holds.
    void notePresetDirty();
    void handleRuntimeDiagnostics(const void* data, Steinberg::uint32 size);
    // Asks the host to re-read what `flags` name, at the next tick.
    void restartComponent(Steinberg::int32 flags) { hostCalls_.requestRestart(flags); }
    // The tick's share: values handed over from other threads, then the restart requests.
    void takeHostCalls();
    // Pad overrides of a restored state, then the bank state with reason "restore".
    void restoreBankState(const SamplerPadOverrides& pads);
    // A hosted download on a worker; the result comes back on this thread's run loop, or at
    // the next cadence tick where there is none.
    // "velmo.bankFetchProgress" to the page when the running download has moved on.

    // First: the bank control answers the processor's replies until the very end.
    BankBridge bankBridge_{*this};
    BankControl bankControl_{bankBridge_};
    HiddenPage hiddenPage_;  // before the page channel, whose sink refers to it
    PageChannel page_;
    CcMapping ccMapping_;
    std::string runtimeHealth_;
    HostFacts hostFacts_{};
    bool helloSent_ = false;
    PresetTracker presets_{[this](std::uint32_t id) { return getParamNormalized(id); }};
    DiagnosticFeeds feeds_{page_};
    std::int32_t hostChangeSeq_ = 0;
    AuditionRelay audition_{[this](const AuditionNote& note) {
        sendToProcessor(kMessageAudition, std::string(reinterpret_cast<const char*>(&note), sizeof note));
    }};
    void* cadenceClock_ = nullptr;
    bool cadenceOnLentLoop_ = false;
    SingleBankFetch fetch_;
    HostCalls hostCalls_;
};

}  // namespace velmo
