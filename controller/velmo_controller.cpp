#include "controller/velmo_controller.h"

#include "controller/editor_factory.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "ccmap/cc_map_json.h"
#include "diagnostics/hello_blocks.h"
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

void setString128(String128 out, const char* text) {
    UString(out, 128).fromAscii(text != nullptr ? text : "");
}

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

VelmoController::VelmoController() = default;
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
    hostCalls_.adoptThisThread();

    captureHostIdentity(context);
    bankControl_.setHostedBankFetcher(
        [this](const std::string& url, const std::string& sha256, HostedBankDone done) {
            return fetch_.start(url, sha256, std::move(done));
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
    fetch_.abandon();  // a download still running is abandoned and never answers
    hostCalls_.clear();
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
    if (hostCalls_.offOwnerThread()) return hostCalls_.handOver(id, value) ? kResultOk : kResultFalse;
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
    page_.pageSet(id, normalized);
    setParamNormalized(id, normalized);
    performEdit(id, normalized);
}

void VelmoController::applyProgramChange(double value) {
    // A value outside 0..1 (or not a number) still selects the program the parameter now shows.
    const double v = std::isfinite(value) ? velmo_clamp01(value) : getParamNormalized(PROGRAM_CHANGE_PARAM_ID);
    const auto index = static_cast<uint32>(std::min(std::round(v * 9.0), 9.0));
    bool changes = false;
    for (uint32 id = 0; id < VELMO_PARAM_COUNT; ++id)
        changes = changes ||
                  !PresetTracker::sameAsHostKeepsIt(getParamNormalized(id), VELMO_FACTORY_PRESETS[index].values[id]);
    applyFactoryPreset(index);
    if (changes) restartComponent(kParamValuesChanged);
}

void VelmoController::echoToPage(ParamID id, double normalized) {
    page_.hostSet(id, normalized);
    notePresetDirty();
}

void VelmoController::applyFactoryPreset(uint32 index) {
    if (index >= VELMO_FACTORY_PRESET_COUNT) return;
    const velmo_factory_preset& preset = VELMO_FACTORY_PRESETS[index];
    if (preset.values == nullptr) return;

    presets_.remember(preset);

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

void VelmoController::notePresetDirty() {
    if (presets_.dirty() != presets_.facts().dirty) sendPresetState();
}

void VelmoController::sendPresetState() {
    presets_.facts().dirty = presets_.dirty();
    if (!page_.open()) return;
    std::string doc = "{\"type\":\"velmo.presetState\",\"presetState\":";
    writeDiagnosticPresetStateJson(doc, presets_.facts());
    doc += '}';
    sendToUi(doc);
}

// ---- state -----------------------------------------------------------------------------------

tresult PLUGIN_API VelmoController::setComponentState(IBStream* state) {
    std::string text;
    StateChunk chunk;
    if (state == nullptr || !readStreamText(*state, text) ||
        !parseStateJson(text.c_str(), text.size(), chunk))
        return kResultFalse;

    presets_.facts().lastStateBytes = static_cast<int64>(text.size());
    for (uint32 id = 0; id < VELMO_PARAM_COUNT; ++id) {
        // A "nan" the reader accepted would poison the parameter; infinities clamp as usual.
        if (!chunk.paramPresent[id] || std::isnan(chunk.params[id])) continue;
        const double v = velmo_param_normalize(VELMO_PARAMS[id], chunk.params[id]);
        if (EditControllerEx1::setParamNormalized(id, v) == kResultOk) echoToPage(id, v);
    }
    if (chunk.hasCcMap) adoptCcMap(chunk.ccMap, true);
    restoreBankState(chunk.padOverrides);
    // A host's preset file is a state document: name the factory preset it holds, if any.
    presets_.adoptMatching();
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

void VelmoController::sendBankState(const char* reason, const char* errorCode,
                                    const std::string& requestedId) {
    bankControl_.sendBankState(reason, errorCode, requestedId);
}

tresult PLUGIN_API VelmoController::getState(IBStream* state) {
    if (state == nullptr) return kResultFalse;
    std::string text = "{";
    if (ccMapping_.present) {
        text += "\"ccMap\":";
        writeCcMapJson(text, ccMapping_.map);
    }
    if (!bankControl_.padOverrides().empty()) {
        if (ccMapping_.present) text += ',';
        writeSamplerMemberJson(text, bankControl_.padOverrides());
    }
    text += '}';
    int32 written = 0;
    return state->write(text.data(), static_cast<int32>(text.size()), &written);
}

// ---- CC map and MIDI mapping ---------------------------------------------------------------

void VelmoController::adoptCcMap(const CcMap& map, bool notifyPage) {
    ccMapping_.map = map;
    ccMapping_.present = true;
    restartComponent(kMidiCCAssignmentChanged);
    sendCcMapToProcessor();
    recordLifecycle(DiagnosticLifecycleKind::CcMapChanged, -1).addNumber("bindings", ccMapping_.map.count);
    publishLastLifecycle();
    if (notifyPage && page_.open()) {
        std::string doc;
        writeCcMapChangedJson(doc, ccMapping_.map);
        sendToUi(doc);
    }
}

void VelmoController::sendCcMapToProcessor() {
    std::string doc;
    writeCcMapJson(doc, ccMapping_.map);
    sendToProcessor(kMessageCcMap, doc);
}

tresult PLUGIN_API VelmoController::getMidiControllerAssignment(int32 busIndex, int16 channel,
                                                                 CtrlNumber number, ParamID& id) {
    uint32 paramId = 0;
    if (!ccMapping_.assignment(busIndex, channel, number, paramId)) return kResultFalse;
    id = paramId;
    return kResultOk;
}

void VelmoController::takeHostCalls() {
    hostCalls_.takeHandedOver([this](ParamID id, double value) { setParamNormalized(id, value); });
    const int32 flags = hostCalls_.takeRestartRequests();
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
    page_.install(hiddenPage_.gate(std::move(sink)));
}

void VelmoController::sendToUi(const std::string& document) { page_.send(document); }

void VelmoController::sendParamChanged(uint32 id, double normalized) { page_.sendParamChanged(id, normalized); }

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

}  // namespace velmo
