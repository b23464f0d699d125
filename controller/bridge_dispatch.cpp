// Messages from the editor page, and the documents the controller builds for it: the hello,
// the state, subscriptions, gestures, presets and CC map edits.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string_view>

#include "ccmap/cc_map_json.h"
#include "controller/velmo_controller.h"
#include "diagnostics/hello_blocks.h"
#include "docs/bridge_message.h"
#include "docs/json_write.h"
#include "docs/sampler_names.h"
#include "docs/state_json.h"
#include "params/factory_presets.h"

namespace velmo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr std::string_view FACTORY_PRESET_PREFIX = "factory-";
constexpr std::uint32_t LEGACY_SINGLE_ZONE_PROGRAM = 0;  // "legacy-single-zone"

// "factory-1" … "factory-10" exactly: no leading zero, no sign, nothing after the number.
bool factoryPresetIndexFromId(std::string_view id, std::uint32_t& index) {
    if (id.substr(0, FACTORY_PRESET_PREFIX.size()) != FACTORY_PRESET_PREFIX) return false;
    const std::string_view digits = id.substr(FACTORY_PRESET_PREFIX.size());
    if (digits.empty() || digits.size() > 2 || digits.front() == '0') return false;
    std::uint32_t n = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (n < 1 || n > VELMO_FACTORY_PRESET_COUNT) return false;
    index = n - 1;
    return true;
}

const velmo_param_desc* paramForPath(const std::string& path) {
    return findParamByPath(path.data(), path.size());
}

// toPlain without the step quantisation: the hello reports the value as the host holds it.
double unquantisedPlain(const velmo_param_desc& row, double normalized) {
    velmo_param_desc unstepped = row;
    unstepped.step = 0.0;
    return velmo_param_to_plain(unstepped, normalized);
}

// A note number as the log line's integer; values a double cannot give as int are clamped.
int noteForLog(double note) {
    if (std::isnan(note)) return 0;
    if (note <= static_cast<double>(INT_MIN)) return INT_MIN;
    if (note >= static_cast<double>(INT_MAX)) return INT_MAX;
    return static_cast<int>(note);
}

}  // namespace

void VelmoController::handleBridgeMessage(const char* data, std::size_t size) {
    auto message = std::make_unique<BridgeMessage>();
    const bool parsed = (data != nullptr || size == 0) &&
                        parseBridgeMessage(data != nullptr ? data : "", size, *message);
    if (!parsed) {
        std::fprintf(stderr, "velmo-plugin-shell: malformed bridge message (%zu bytes)\n", size);
        return;
    }
    const BridgeMessage& m = *message;
    const std::string& type = m.type;

    if (type == "velmo.ready") {
        sendHello();
        return;
    }
    if (m.diagRequest == kDiagRequestStimulus) return;
    if (m.diagRequest == kDiagRequestUnsubscribe) {
        unsubscribeDiagnostics();
        return;
    }
    if (m.diagRequest == kDiagRequestSubscribe) {
        subscribeDiagnostics(m.feeds, m.hz);
        return;
    }
    if (type == "velmo.loadFactoryPreset" && !m.id.empty()) {
        std::uint32_t index = 0;
        if (!factoryPresetIndexFromId(m.id, index)) return;
        const double value = static_cast<double>(index) / 9.0;
        beginEdit(PROGRAM_CHANGE_PARAM_ID);
        setParamNormalized(PROGRAM_CHANGE_PARAM_ID, value);
        performEdit(PROGRAM_CHANGE_PARAM_ID, value);
        endEdit(PROGRAM_CHANGE_PARAM_ID);
        return;
    }
    if (bankControl_.handleMessage(m)) return;
    if (type == "velmo.setParam" && m.hasValue) {
        if (const velmo_param_desc* row = paramForPath(m.path))
            setParamFromPage(row->id, velmo_param_normalize(*row, m.value));
        return;
    }
    if (type == "velmo.beginEdit") {
        if (const velmo_param_desc* row = paramForPath(m.path)) beginEdit(row->id);
        return;
    }
    if (type == "velmo.endEdit") {
        if (const velmo_param_desc* row = paramForPath(m.path)) endEdit(row->id);
        return;
    }
    if (type == "velmo.getState") {
        double plain[VELMO_PARAM_COUNT];
        for (std::uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id)
            plain[id] = velmo_param_to_plain(VELMO_PARAMS[id], getParamNormalized(id));
        const std::string state =
            writeStateJson(plain, -1, ccMapping_.present ? &ccMapping_.map : nullptr, kSamplerAssetNone,
                           LEGACY_SINGLE_ZONE_PROGRAM, nullptr, &bankControl_.padOverrides(), nullptr);
        presets_.facts().lastStateBytes = static_cast<std::int64_t>(state.size());
        recordLifecycle(DiagnosticLifecycleKind::StateSaved, -1)
            .addNumber("stateBytes", static_cast<double>(state.size()))
            .addString("source", "ui");
        publishLastLifecycle();
        if (page_.open()) sendToUi("{\"type\":\"velmo.state\",\"state\":" + state + "}");
        return;
    }
    if (type == "velmo.setCcMap" && m.hasMap) {
        adoptCcMap(m.map, true);
        return;
    }
    if (type == "velmo.setState" && m.hasState) {
        for (std::uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
            if (!m.state.paramPresent[id]) continue;
            const double v = velmo_param_normalize(VELMO_PARAMS[id], m.state.params[id]);
            beginEdit(id);
            setParamNormalized(id, v);
            performEdit(id, v);
            endEdit(id);
        }
        presets_.adoptMatching();
        sendPresetState();
        if (m.state.hasCcMap) adoptCcMap(m.state.ccMap, true);
        // The embedded state's overrides, not the message's own "pads": kept only once the
        // processor has them.
        if (bankBridge_.applyPadOverrides(m.state.padOverrides))
            bankControl_.adoptRestoredPadOverrides(m.state.padOverrides);
        bankControl_.sendBankState("restore");
        recordLifecycle(DiagnosticLifecycleKind::StateRestored, -1)
            .addNumber("stateBytes", static_cast<double>(size))
            .addString("source", "ui");
        publishLastLifecycle();
        return;
    }
    if (audition_.handle(m)) return;
    if (type == "velmo.noteOn" || type == "velmo.noteOff") {
        std::fprintf(stderr, "velmo-plugin-shell: bridge %s note=%d\n", type.c_str(), noteForLog(m.note));
        return;
    }
}

double VelmoController::unquantisedPlainValue(std::uint32_t id) {
    return unquantisedPlain(VELMO_PARAMS[id], getParamNormalized(id));
}

void VelmoController::sendHello() {
    std::string doc =
        "{\"type\":\"velmo.hello\",\"plugin\":{\"id\":\"music.velmo.bells\",\"name\":\"Zuriz\","
        "\"vendor\":\"Velmo Music\",\"version\":\"0.1.0\"}";

    doc += ",\"params\":[";
    for (std::uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
        const velmo_param_desc& row = VELMO_PARAMS[id];
        const double normalized = getParamNormalized(id);
        doc += id > 0 ? ",{" : "{";
        PageChannel::appendValue(doc, row, unquantisedPlain(row, normalized), normalized);
        doc += '}';
    }
    doc += ']';

    doc += ",\"factoryPresets\":[";
    bool firstPreset = true;
    for (const velmo_factory_preset& preset : VELMO_FACTORY_PRESETS) {
        if (preset.values == nullptr) continue;
        if (!firstPreset) doc += ',';
        firstPreset = false;
        doc += "{\"id\":";
        jsonAppendQuoted(doc, preset.id);
        doc += ",\"name\":";
        jsonAppendQuoted(doc, preset.name);
        doc += ",\"values\":{";
        for (std::uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
            if (id > 0) doc += ',';
            jsonAppendQuoted(doc, VELMO_PARAMS[id].path);
            doc += ':';
            jsonAppendNumber(doc, velmo_param_to_plain(VELMO_PARAMS[id], preset.values[id]));
        }
        doc += "}}";
    }
    doc += ']';

    if (ccMapping_.present) {
        doc += ",\"ccMap\":";
        writeCcMapJson(doc, ccMapping_.map);
    }
    if (!runtimeHealth_.empty()) {
        doc += ",\"runtimeHealth\":";
        doc += runtimeHealth_;
    }
    appendDiagnosticHelloBlocks(doc, kDiagnosticTargetVst3, hostFacts_, presets_.refresh());
    doc += '}';

    page_.forgetValues();
    sendToUi(doc);
    helloSent_ = true;
}

}  // namespace velmo
