// Messages from the editor page, and the documents the controller builds for it: the hello,
// the state, subscriptions, gestures, presets and CC map edits.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string_view>

#include "ccmap/cc_map_json.h"
#include "controller/page_documents.h"
#include "controller/velmo_controller.h"
#include "diagnostics/hello_blocks.h"
#include "docs/bridge_message.h"
#include "docs/json_write.h"
#include "docs/sampler_names.h"
#include "docs/state_json.h"

namespace velmo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr std::uint32_t LEGACY_SINGLE_ZONE_PROGRAM = 0;  // "legacy-single-zone"

const velmo_param_desc* paramForPath(const std::string& path) {
    return findParamByPath(path.data(), path.size());
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
    double normalized[VELMO_PARAM_COUNT];
    for (std::uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) normalized[id] = getParamNormalized(id);
    std::string doc = beginHelloDocument(normalized);

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
