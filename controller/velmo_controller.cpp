#include "controller/velmo_controller.h"

#include "controller/editor_factory.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "ccmap/cc_map_json.h"
#include "diagnostics/compiled_banks.h"
#include "diagnostics/hello_blocks.h"
#include "diagnostics/lifecycle_json.h"
#include "diagnostics/message_ids.h"
#include "docs/json_write.h"
#include "docs/pad_overrides.h"
#include "docs/state_json.h"
#include "docs/stream_text.h"
#include "params/factory_presets.h"
#include "params/velmo_parameter.h"
#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/base/ustring.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstmessage.h"

namespace velmo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr uint32 MAX_LIFECYCLE_NAME_BYTES = 63;
constexpr uint32 MAX_RUNTIME_REPORT_BYTES = 65536;

void copyTruncated(char* dst, std::size_t capacity, const char* src) {
    std::size_t n = src != nullptr ? std::strlen(src) : 0;
    n = std::min(n, capacity - 1);
    if (n > 0) std::memcpy(dst, src, n);
    dst[n] = '\0';
}

void setString128(String128 out, const char* text) {
    UString(out, 128).fromAscii(text != nullptr ? text : "");
}

// Indices come from the host: anything outside 0..count-1 is refused, never looked up.
bool indexWithin(int32 index, int32 count) { return index >= 0 && index < count; }

// Hosts keep normalised values as floats: a preset that went through one is still the preset.
bool sameAsHostKeepsIt(double a, double b) { return static_cast<float>(a) == static_cast<float>(b); }

// "pluginval" 1, "clap-validator" 2, "auval" 3, other validators 4, our own probe 5.
std::uint8_t classifyValidatorHost(const char* name) {
    const auto has = [name](const char* what) { return std::strstr(name, what) != nullptr; };
    if (has("pluginval") || has("Pluginval")) return 1;
    if (has("auval")) return 3;
    if (has("clap-validator") || has("clap_validator")) return 2;
    if (has("Validator") || has("validator")) return 4;
    if (has("Velmo") || has("velmo")) return 5;
    return 0;
}

}  // namespace

VelmoController::VelmoController() { forgetValuesSentToPage(); }
// A host that drops the controller without terminate must not leave its clock firing.
VelmoController::~VelmoController() { stopCadenceClock(); }

FUnknown* VelmoController::createInstance(void* /*context*/) {
    return static_cast<IEditController*>(new VelmoController());
}

tresult PLUGIN_API VelmoController::queryInterface(const TUID iid, void** obj) {
    QUERY_INTERFACE(iid, obj, IMidiMapping::iid, IMidiMapping)
    QUERY_INTERFACE(iid, obj, IUnitInfo::iid, IUnitInfo)
    return EditControllerEx1::queryInterface(iid, obj);
}

// ---- set-up and tear-down ------------------------------------------------------------------

tresult PLUGIN_API VelmoController::initialize(FUnknown* context) {
    const tresult result = EditController::initialize(context);
    if (result != kResultOk) return result;
    ownerThread_.store(std::this_thread::get_id());

    captureHostIdentity(context);
    bankControl_.setHostedBankFetcher(
        [this](const std::string& url, const std::string& sha256, HostedBankDone done) {
            return startHostedBankFetch(url, sha256, std::move(done));
        });
    buildParameters();
    refreshPresetState();
    emitLifecycle(DiagnosticLifecycleKind::Created, -1);
    startCadenceClock();
    return result;
}

tresult PLUGIN_API VelmoController::terminate() {
    emitLifecycle(DiagnosticLifecycleKind::Destroyed, -1);
    stopCadenceClock();
    fetchJob_.reset();  // a download still running is abandoned and never answers
    handedOver_.clear();
    pendingRestart_ = 0;  // the host hears nothing from us after this
    return EditControllerEx1::terminate();
}

void VelmoController::captureHostIdentity(FUnknown* context) {
    if (context == nullptr) return;
    IHostApplication* app = nullptr;
    if (context->queryInterface(IHostApplication::iid, reinterpret_cast<void**>(&app)) !=
            kResultOk ||
        app == nullptr)
        return;
    String128 name = {};
    if (app->getName(name) == kResultOk) {
        char ascii[sizeof hostFacts_.hostName] = {};
        std::size_t n = 0;
        for (; n + 1 < sizeof ascii && name[n] != 0; ++n)
            ascii[n] = name[n] < 0x80 ? static_cast<char>(name[n]) : '?';
        std::memcpy(hostFacts_.hostName, ascii, sizeof ascii);
        hostFacts_.validatorHost = classifyValidatorHost(hostFacts_.hostName);
    }
    app->release();
}

void VelmoController::buildParameters() {
    for (const velmo_param_desc& row : VELMO_PARAMS) parameters.addParameter(new VelmoParameter(row));

    String128 text;
    setString128(text, "Root");
    addUnit(new Unit(text, kRootUnitId, kNoParentUnitId, FACTORY_PROGRAM_LIST_ID));

    setString128(text, "Factory Presets");
    auto* list = new ProgramListWithPitchNames(text, FACTORY_PROGRAM_LIST_ID, kRootUnitId);
    for (const velmo_factory_preset& preset : VELMO_FACTORY_PRESETS) {
        setString128(text, preset.name);
        list->addProgram(text);
    }
    addProgramList(list);
    Parameter* programChange = list->getParameter();
    programChange->getInfo().flags &= ~ParameterInfo::kCanAutomate;
    parameters.addParameter(programChange);
}

// ---- parameters and presets ----------------------------------------------------------------

tresult PLUGIN_API VelmoController::setParamNormalized(ParamID id, ParamValue value) {
    if (offOwnerThread()) return handOver(id, value);
    const tresult result = EditControllerEx1::setParamNormalized(id, value);
    if (result != kResultOk) return result;
    if (id == PROGRAM_CHANGE_PARAM_ID) {
        applyProgramChange(value);
        return result;
    }
    echoToPage(id, value);
    return result;
}

void VelmoController::setParamFromPage(uint32 id, double normalized) {
    // The page now shows its own value: the host's next one must reach it, even a repeat.
    if (id < VELMO_PARAM_COUNT) sentToPage_[id] = std::numeric_limits<double>::quiet_NaN();
    echoGuardId_ = static_cast<int32>(id);
    echoGuardValue_ = normalized;
    setParamNormalized(id, normalized);
    performEdit(id, normalized);
}

void VelmoController::applyProgramChange(double value) {
    // A value outside 0..1 (or not a number) still selects the program the parameter now shows.
    const double v = std::isfinite(value) ? velmo_clamp01(value) : getParamNormalized(PROGRAM_CHANGE_PARAM_ID);
    const auto index = static_cast<uint32>(std::min(std::round(v * 9.0), 9.0));
    bool changes = false;
    for (uint32 id = 0; id < VELMO_PARAM_COUNT; ++id)
        changes = changes || !sameAsHostKeepsIt(getParamNormalized(id), VELMO_FACTORY_PRESETS[index].values[id]);
    applyFactoryPreset(index);
    if (changes) restartComponent(kParamValuesChanged);
}

bool VelmoController::offOwnerThread() const {
    const std::thread::id owner = ownerThread_.load(std::memory_order_relaxed);
    return owner != std::thread::id() && owner != std::this_thread::get_id();
}

tresult VelmoController::handOver(ParamID id, ParamValue value) {
    const std::size_t slot = id < VELMO_PARAM_COUNT ? id : (id == PROGRAM_CHANGE_PARAM_ID ? VELMO_PARAM_COUNT : SIZE_MAX);
    return handedOver_.post(slot, value) ? kResultOk : kResultFalse;
}

void VelmoController::takeHandedOver() {
    handedOver_.drain([this](std::size_t slot, double value) {
        setParamNormalized(slot == VELMO_PARAM_COUNT ? PROGRAM_CHANGE_PARAM_ID : static_cast<ParamID>(slot), value);
    });
}

void VelmoController::echoToPage(ParamID id, double normalized) {
    if (echoGuardId_ >= 0 && static_cast<ParamID>(echoGuardId_) == id &&
        echoGuardValue_ == normalized) {
        echoGuardId_ = -1;
    } else {
        sendParamChanged(id, normalized);
    }
    notePresetDirty();
}

void VelmoController::applyFactoryPreset(uint32 index) {
    if (index >= VELMO_FACTORY_PRESET_COUNT) return;
    const velmo_factory_preset& preset = VELMO_FACTORY_PRESETS[index];
    if (preset.values == nullptr) return;

    rememberFactoryPreset(preset);

    recordLifecycle(DiagnosticLifecycleKind::PresetLoaded, -1)
        .addString("id", preset.id)
        .addString("name", preset.name)
        .addNumber("index", index)
        .addString("origin", "factory");
    publishLastLifecycle();
    sendPresetLoadedToProcessor(std::string());

    // One complete gesture per parameter, so every host records every value.
    for (uint32 id = 0; id < VELMO_PARAM_COUNT; ++id) editGesture(id, preset.values[id]);
    sendPresetState();
}

void VelmoController::editGesture(ParamID id, double normalized) {
    beginEdit(id);
    EditControllerEx1::setParamNormalized(id, normalized);
    sendParamChanged(id, normalized);
    performEdit(id, normalized);
    endEdit(id);
}

void VelmoController::rememberFactoryPreset(const velmo_factory_preset& preset) {
    notePresetNames(preset.id, preset.name);
    std::copy(preset.values, preset.values + VELMO_PARAM_COUNT, lastPresetValues_);
    factoryPresetApplied_ = true;
}

void VelmoController::notePresetNames(const char* id, const char* name) {
    copyTruncated(presetState_.currentId, sizeof presetState_.currentId, id);
    copyTruncated(presetState_.currentName, sizeof presetState_.currentName, name);
}

bool VelmoController::presetDirty() const {
    if (!factoryPresetApplied_) return false;
    for (uint32 id = 0; id < VELMO_PARAM_COUNT; ++id) {
        if (const Parameter* p = parameters.getParameter(id);
            p != nullptr && !sameAsHostKeepsIt(p->getNormalized(), lastPresetValues_[id]))
            return true;
    }
    return false;
}

void VelmoController::notePresetDirty() {
    if (presetDirty() != presetState_.dirty) sendPresetState();
}

void VelmoController::sendPresetState() {
    presetState_.dirty = presetDirty();
    if (!sink_) return;
    std::string doc = "{\"type\":\"velmo.presetState\",\"presetState\":";
    writeDiagnosticPresetStateJson(doc, presetState_);
    doc += '}';
    sendToUi(doc);
}

void VelmoController::adoptMatchingFactoryPreset() {
    for (const velmo_factory_preset& preset : VELMO_FACTORY_PRESETS) {
        if (preset.values == nullptr) continue;
        bool same = true;
        for (uint32 id = 0; id < VELMO_PARAM_COUNT && same; ++id)
            same = sameAsHostKeepsIt(getParamNormalized(id), preset.values[id]);
        if (!same) continue;
        rememberFactoryPreset(preset);
        return;
    }
}

void VelmoController::refreshPresetState() {
    presetState_.factoryCount = VELMO_FACTORY_PRESET_COUNT;
    presetState_.dirty = presetDirty();
    presetState_.userPresetsSupported = false;
    presetState_.bank = BankFacts{};
    if (compiledBankCount() > 0) describeCompiledBank(0, presetState_.bank);
}

// ---- state -----------------------------------------------------------------------------------

tresult PLUGIN_API VelmoController::setComponentState(IBStream* state) {
    std::string text;
    StateChunk chunk;
    if (state == nullptr || !readStreamText(*state, text) ||
        !parseStateJson(text.c_str(), text.size(), chunk))
        return kResultFalse;

    presetState_.lastStateBytes = static_cast<int64>(text.size());
    for (uint32 id = 0; id < VELMO_PARAM_COUNT; ++id) {
        // A "nan" the reader accepted would poison the parameter; infinities clamp as usual.
        if (!chunk.paramPresent[id] || std::isnan(chunk.params[id])) continue;
        const double v = velmo_param_normalize(VELMO_PARAMS[id], chunk.params[id]);
        if (EditControllerEx1::setParamNormalized(id, v) == kResultOk) echoToPage(id, v);
    }
    if (chunk.hasCcMap) adoptCcMap(chunk.ccMap, true);
    restoreBankState(chunk.padOverrides);
    // A host's preset file is a state document: name the factory preset it holds, if any.
    adoptMatchingFactoryPreset();
    sendPresetState();

    recordLifecycle(DiagnosticLifecycleKind::StateRestored, -1)
        .addNumber("stateBytes", static_cast<double>(text.size()))
        .addString("source", "component");
    publishLastLifecycle();
    return kResultOk;
}

tresult PLUGIN_API VelmoController::setState(IBStream* state) {
    std::string text;
    if (state == nullptr || !readStreamText(*state, text)) return kResultFalse;
    if (text.empty()) return kResultOk;
    StateChunk chunk;
    if (!parseStateJson(text.c_str(), text.size(), chunk)) return kResultFalse;
    if (chunk.hasCcMap) adoptCcMap(chunk.ccMap, true);
    restoreBankState(chunk.padOverrides);
    return kResultOk;
}

void VelmoController::restoreBankState(const SamplerPadOverrides& pads) {
    bankControl_.adoptRestoredPadOverrides(pads);
    bankControl_.sendBankState("restore");
}

bool VelmoController::startHostedBankFetch(const std::string& url, const std::string& sha256,
                                           HostedBankDone done) {
    if (fetchJob_) return false;
    auto finished = [this, done = std::move(done)](const HostedBankFetchResult& result) {
        // The job goes once its answer is out; the fetch's own error text stays here.
        const std::unique_ptr<HostedBankFetchJob> job = std::move(fetchJob_);
        done(result.ok, result.folder);
    };
    fetchReported_ = 0;
    fetchJob_ = std::make_unique<HostedBankFetchJob>(url, sha256, HostedBankFetchOptions{}, std::move(finished));
    return true;
}

void VelmoController::sendBankState(const char* reason, const char* errorCode,
                                    const std::string& requestedId) {
    bankControl_.sendBankState(reason, errorCode, requestedId);
}

tresult PLUGIN_API VelmoController::getState(IBStream* state) {
    if (state == nullptr) return kResultFalse;
    std::string text = "{";
    if (hasCcMap_) {
        text += "\"ccMap\":";
        writeCcMapJson(text, ccMap_);
    }
    if (!bankControl_.padOverrides().empty()) {
        if (hasCcMap_) text += ',';
        writeSamplerMemberJson(text, bankControl_.padOverrides());
    }
    text += '}';
    int32 written = 0;
    return state->write(text.data(), static_cast<int32>(text.size()), &written);
}

// ---- host look-ups by index or id ----------------------------------------------------------

tresult PLUGIN_API VelmoController::getParameterInfo(int32 paramIndex, ParameterInfo& info) {
    if (!indexWithin(paramIndex, getParameterCount())) return kResultFalse;
    return EditControllerEx1::getParameterInfo(paramIndex, info);
}

tresult PLUGIN_API VelmoController::getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                                          String128 string) {
    if (string == nullptr) return kInvalidArgument;
    return EditControllerEx1::getParamStringByValue(id, valueNormalized, string);
}

tresult PLUGIN_API VelmoController::getUnitInfo(int32 unitIndex, UnitInfo& info) {
    if (!indexWithin(unitIndex, getUnitCount())) return kResultFalse;
    return EditControllerEx1::getUnitInfo(unitIndex, info);
}

tresult PLUGIN_API VelmoController::selectUnit(UnitID unitId) {
    for (int32 i = 0; i < getUnitCount(); ++i) {
        UnitInfo info{};
        if (getUnitInfo(i, info) == kResultOk && info.id == unitId)
            return EditControllerEx1::selectUnit(unitId);
    }
    return kResultFalse;
}

tresult PLUGIN_API VelmoController::getProgramName(ProgramListID listId, int32 programIndex,
                                                   String128 name) {
    if (name == nullptr) return kInvalidArgument;
    return EditControllerEx1::getProgramName(listId, programIndex, name);
}

tresult PLUGIN_API VelmoController::getProgramInfo(ProgramListID listId, int32 programIndex,
                                                   Vst::CString attributeId,
                                                   String128 attributeValue) {
    if (attributeId == nullptr || attributeValue == nullptr) return kInvalidArgument;
    return EditControllerEx1::getProgramInfo(listId, programIndex, attributeId, attributeValue);
}

tresult PLUGIN_API VelmoController::getProgramPitchName(ProgramListID listId, int32 programIndex,
                                                        int16 midiPitch, String128 name) {
    if (name == nullptr) return kInvalidArgument;
    return EditControllerEx1::getProgramPitchName(listId, programIndex, midiPitch, name);
}

// ---- CC map and MIDI mapping ---------------------------------------------------------------

void VelmoController::adoptCcMap(const CcMap& map, bool notifyPage) {
    ccMap_ = map;
    hasCcMap_ = true;
    restartComponent(kMidiCCAssignmentChanged);
    sendCcMapToProcessor();
    recordLifecycle(DiagnosticLifecycleKind::CcMapChanged, -1).addNumber("bindings", ccMap_.count);
    publishLastLifecycle();
    if (notifyPage && sink_) {
        std::string doc;
        writeCcMapChangedJson(doc, ccMap_);
        sendToUi(doc);
    }
}

void VelmoController::sendCcMapToProcessor() {
    std::string doc;
    writeCcMapJson(doc, ccMap_);
    sendToProcessor(kMessageCcMap, doc);
}

bool VelmoController::sendToProcessor(const char* id, const std::string& payload) {
    IPtr<IMessage> message = owned(allocateMessage());
    if (!message) return false;
    message->setMessageID(id);
    message->getAttributes()->setBinary(kPayloadAttribute, payload.data(),
                                        static_cast<uint32>(payload.size()));
    return sendMessage(message) == kResultOk;
}

tresult PLUGIN_API VelmoController::getMidiControllerAssignment(int32 busIndex, int16 channel,
                                                                 CtrlNumber number, ParamID& id) {
    if (busIndex != 0 || channel < 0 || channel > 15 || number < 0 || number > 127)
        return kResultFalse;
    const uint32 count = std::min<uint32>(ccMap_.count, kCcMapCapacity);
    for (uint32 i = 0; i < count; ++i) {
        const CcBinding& b = ccMap_.bindings[i];
        if (!b.enabled || b.cc != number) continue;
        if (b.channel != 0 && b.channel != channel + 1) continue;
        if (b.paramId >= VELMO_PARAM_COUNT) continue;
        id = b.paramId;
        return kResultOk;
    }
    return kResultFalse;
}

// ---- processor messages --------------------------------------------------------------------

tresult PLUGIN_API VelmoController::notify(IMessage* message) {
    if (message == nullptr) return EditControllerEx1::notify(message);
    const char* messageId = message->getMessageID();
    if (messageId == nullptr) return EditControllerEx1::notify(message);

    const void* data = nullptr;
    uint32 size = 0;
    const auto payload = [&]() {
        IAttributeList* attrs = message->getAttributes();
        return attrs != nullptr && attrs->getBinary(kPayloadAttribute, data, size) == kResultOk &&
               data != nullptr;
    };

    if (std::strcmp(messageId, kMessageLifecycle) == 0) {
        if (payload() && size >= 1 && size <= MAX_LIFECYCLE_NAME_BYTES) {
            char name[MAX_LIFECYCLE_NAME_BYTES + 1] = {};
            std::memcpy(name, data, size);
            DiagnosticLifecycleKind kind;
            if (std::strlen(name) == size && diagnosticLifecycleKindFromName(name, kind))
                emitLifecycle(kind, -1);
        }
        return kResultOk;
    }
    if (std::strcmp(messageId, kMessageTransport) == 0) {
        if (payload() && size == sizeof(TransportFact)) {
            TransportFact fact;
            std::memcpy(&fact, data, sizeof fact);
            adoptTransportFact(fact);
        }
        return kResultOk;
    }
    if (std::strcmp(messageId, kMessageMeters) == 0) {
        if (payload() && size == sizeof(OutputLevels)) {
            OutputLevels levels;
            std::memcpy(&levels, data, sizeof levels);
            adoptOutputLevels(levels);
        }
        return kResultOk;
    }
    if (std::strcmp(messageId, kMessageSignal) == 0) {
        payload();
        return kResultOk;
    }
    if (std::strcmp(messageId, kMessageHostFacts) == 0) {
        if (payload() && size == sizeof(HostFacts)) {
            HostFacts facts;
            std::memcpy(&facts, data, sizeof facts);
            adoptHostFacts(facts);
        }
        return kResultOk;
    }
    if (std::strcmp(messageId, kMessageRuntimeBankResult) == 0) {
        if (payload()) bankControl_.adoptRuntimeBankReply(std::string(static_cast<const char*>(data), size));
        return kResultOk;
    }
    if (std::strcmp(messageId, kMessageRuntimeDiagnostics) == 0) {
        if (payload() && size >= 1 && size <= MAX_RUNTIME_REPORT_BYTES)
            handleRuntimeDiagnostics(data, size);
        return kResultOk;
    }
    return EditControllerEx1::notify(message);
}

void VelmoController::handleRuntimeDiagnostics(const void* data, uint32 size) {
    runtimeHealth_.assign(static_cast<const char*>(data), size);
    recordLifecycle(DiagnosticLifecycleKind::RuntimeDiagnostic, -1)
        .addNumber("reportBytes", static_cast<double>(size));
    publishLastLifecycle();
    if (sink_) sendToUi("{\"type\":\"velmo.runtimeDiagnostics\",\"report\":" + runtimeHealth_ + "}");
}

void VelmoController::sendPresetLoadedToProcessor(const std::string& json) {
    IPtr<IMessage> message = owned(allocateMessage());
    if (!message) return;
    message->setMessageID(kMessagePresetLoaded);
    // An empty text travels as no attribute, which the processor reads the same way: hosts
    // built on the SDK's attribute list leak a zero-byte binary value.
    if (!json.empty())
        message->getAttributes()->setBinary(kPayloadAttribute, json.data(), static_cast<uint32>(json.size()));
    sendMessage(message);
}

void VelmoController::restartComponent(int32 flags) { pendingRestart_ |= flags; }

void VelmoController::flushRestartRequests() {
    const int32 flags = std::exchange(pendingRestart_, 0);
    if (flags != 0 && componentHandler != nullptr) componentHandler->restartComponent(flags);
}

// ---- page and editor -----------------------------------------------------------------------

namespace {
EditorFactory installedEditorFactory = nullptr;
}  // namespace

void setEditorFactory(EditorFactory factory) { installedEditorFactory = factory; }

IPlugView* PLUGIN_API VelmoController::createView(FIDString name) {
    if (name == nullptr || std::strcmp(name, ViewType::kEditor) != 0 || installedEditorFactory == nullptr)
        return nullptr;
    return installedEditorFactory(this);
}

void VelmoController::setBridgeSink(BridgeSink sink) {
    audition_.pageGone();  // a page that goes, or is replaced, holds no key any more
    sink_ = nullptr;       // the old channel goes before the new one arrives
    sink_ = std::move(sink);
    forgetValuesSentToPage();
}

void VelmoController::forgetValuesSentToPage() {
    std::fill(std::begin(sentToPage_), std::end(sentToPage_), std::numeric_limits<double>::quiet_NaN());
}

void VelmoController::sendToUi(const std::string& document) {
    if (sink_) sink_(document);
}

void VelmoController::sendParamChanged(uint32 id, double normalized) {
    if (id >= VELMO_PARAM_COUNT || !sink_) return;
    // Hosts replay automation with the transport stopped: the same value, many times a second.
    if (sentToPage_[id] == normalized) return;
    sentToPage_[id] = normalized;
    const velmo_param_desc& row = VELMO_PARAMS[id];
    std::string doc = "{\"type\":\"velmo.paramChanged\",\"path\":";
    jsonAppendQuoted(doc, row.path);
    doc += ",\"value\":";
    jsonAppendNumber(doc, velmo_param_to_plain(row, normalized));
    doc += ",\"normalized\":";
    jsonAppendNumber(doc, normalized);
    doc += '}';
    sendToUi(doc);
}

void VelmoController::onEditorOpened() { emitLifecycle(DiagnosticLifecycleKind::EditorOpened, -1); }

void VelmoController::onEditorClosed() {
    audition_.pageGone();
    emitLifecycle(DiagnosticLifecycleKind::EditorClosed, -1);
    unsubscribeDiagnostics();
    helloSent_ = false;
}

void VelmoController::onEditorError(const char* reason) {
    recordLifecycle(DiagnosticLifecycleKind::EditorError, -1)
        .addString("reason", reason != nullptr ? reason : "unknown");
    publishLastLifecycle();
}

// ---- lifecycle -----------------------------------------------------------------------------

DiagnosticLifecycleEvent& VelmoController::recordLifecycle(DiagnosticLifecycleKind kind,
                                                           std::int64_t frame) {
    return lifecycle_.record(kind, frame);
}

void VelmoController::emitLifecycle(DiagnosticLifecycleKind kind, std::int64_t frame) {
    recordLifecycle(kind, frame);
    publishLastLifecycle();
}

void VelmoController::publishLastLifecycle() {
    if (!sink_ || (feedMask_ & DIAGNOSTIC_FEED_LIFECYCLE) == 0 || lifecycle_.count() == 0) return;
    std::string doc;
    if (writeDiagnosticLifecycleJson(doc, &lifecycle_.at(lifecycle_.count() - 1), 1, 0))
        sendToUi(doc);
}

void VelmoController::replayLifecycle() {
    if (!sink_ || (feedMask_ & DIAGNOSTIC_FEED_LIFECYCLE) == 0) return;
    std::string doc;
    if (writeDiagnosticLifecycleReplayJson(doc, lifecycle_)) sendToUi(doc);
}

}  // namespace velmo
