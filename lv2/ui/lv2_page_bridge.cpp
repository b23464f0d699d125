#include "lv2/ui/lv2_page_bridge.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "ccmap/cc_map_json.h"
#include "diagnostics/host_facts_json.h"
#include "controller/page_documents.h"
#include "docs/bridge_message.h"
#include "docs/sampler_names.h"
#include "docs/state_json.h"
#include "lv2/lv2_messages.h"
#include "params/factory_presets.h"

namespace velmo::lv2 {

namespace {

// What the page may show: without atoms only the ports remain.
constexpr const char* PORT_FEATURES = ",\"features\":[\"params\",\"presets\"]";
constexpr const char* ATOM_FEATURES =
    ",\"features\":[\"params\",\"presets\",\"audition\",\"meter\",\"ccMap\",\"state\",\"diagnostics\","
    "\"banks\"]";
constexpr double MAX_POLL_HZ = 30.0;

// A port's float as the decimal it prints as (0.9f is 0.9, not 0.899999976), so the page shows
// what the host shows and the host's echo of a written value matches the page's own.
double portValue(float value) {
    char text[32];
    const char* end = std::to_chars(text, text + sizeof text, value).ptr;
    double out = value;
    std::from_chars(text, end, out);
    return out;
}

template <class Record>
bool bodyOf(const void* body, std::uint32_t size, Record& out) {
    if (body == nullptr || size != sizeof(Record)) return false;
    std::memcpy(static_cast<void*>(&out), body, sizeof out);
    return true;
}

}  // namespace

Lv2PageBridge::Lv2PageBridge(WritePort write, TouchPort touch, SendAtom send, Lv2MessageTypes types)
    : write_(std::move(write)),
      touch_(std::move(touch)),
      send_(std::move(send)),
      types_(types),
      audition_([this](const AuditionNote& note) {
          if (send_) send_(types_.audition, &note, sizeof note);
      }) {
    for (const velmo_param_desc& row : VELMO_PARAMS) normalized_[row.id] = velmo_param_normalize(row, row.defaultPlain);
    banks_.setHostedBankFetcher([this](const std::string& url, const std::string& sha256, HostedBankDone done) {
        return fetch_.start(url, sha256, std::move(done));
    });
}

Lv2PageBridge::~Lv2PageBridge() = default;

void Lv2PageBridge::portEvent(std::uint32_t port, float plain) {
    if (port >= VELMO_PARAM_COUNT || !std::isfinite(plain)) return;
    const double normalized = velmo_param_normalize(VELMO_PARAMS[port], portValue(plain));
    normalized_[port] = normalized;
    page_.hostSet(port, normalized);
}

void Lv2PageBridge::handleBridgeMessage(const char* data, std::size_t size) {
    auto message = std::make_unique<BridgeMessage>();
    if (data == nullptr || !parseBridgeMessage(data, size, *message)) {
        std::fprintf(stderr, "zuriz-lv2-ui: malformed page message (%zu bytes)\n", size);
        return;
    }
    const BridgeMessage& m = *message;
    const velmo_param_desc* row = findParamByPath(m.path.data(), m.path.size());
    if (m.type == "velmo.ready") {
        sendHello();
        // The plug-in's map may be one a restored state brought; its host facts fill the drawer.
        if (talks()) poll(kPollCcMap | kPollHost);
    } else if (m.type == "velmo.setParam" && m.hasValue && row != nullptr) {
        setFromPage(row->id, velmo_param_normalize(*row, m.value));
    } else if (m.type == "velmo.beginEdit" && row != nullptr) {
        touch(row->id, true);
    } else if (m.type == "velmo.endEdit" && row != nullptr) {
        touch(row->id, false);
    } else if (m.type == "velmo.loadFactoryPreset") {
        std::uint32_t index = 0;
        if (!factoryPresetIndexFromId(m.id, index) || VELMO_FACTORY_PRESETS[index].values == nullptr) return;
        writeAll(VELMO_FACTORY_PRESETS[index].values, nullptr);
        feeds_.emit(DiagnosticLifecycleKind::PresetLoaded, -1);
    } else if (!talks()) {
        return;  // everything below belongs to a feature the hello did not offer
    } else if (banks_.handleMessage(m)) {
        return;
    } else if (m.diagRequest == kDiagRequestSubscribe) {
        feeds_.subscribe(m.feeds, m.hz);
        lastPollMs_ = -1e9;
    } else if (m.diagRequest == kDiagRequestUnsubscribe) {
        feeds_.unsubscribe();
    } else if (m.type == "velmo.getState") {
        sendState();
    } else if (m.type == "velmo.setState" && m.hasState) {
        double values[VELMO_PARAM_COUNT];
        for (std::uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id)
            values[id] = velmo_param_normalize(VELMO_PARAMS[id], m.state.params[id]);
        writeAll(values, m.state.paramPresent);
        if (m.state.hasCcMap) adoptCcMap(m.state.ccMap, true);
        // The embedded state's overrides, kept once the plug-in has them.
        if (applyPadOverrides(m.state.padOverrides)) banks_.adoptRestoredPadOverrides(m.state.padOverrides);
        banks_.sendBankState("restore");
        feeds_.record(DiagnosticLifecycleKind::StateRestored, -1)
            .addNumber("stateBytes", static_cast<double>(size))
            .addString("source", "ui");
        feeds_.publishLast();
    } else if (m.type == "velmo.setCcMap" && m.hasMap) {
        adoptCcMap(m.map, true);
    } else {
        audition_.handle(m);
    }
}

void Lv2PageBridge::pluginMessage(std::uint32_t type, const void* body, std::uint32_t size) {
    if (type == 0) return;
    if (type == types_.levels) {
        OutputLevels levels;
        if (bodyOf(body, size, levels)) feeds_.adoptOutputLevels(levels);
    } else if (type == types_.transport) {
        TransportFact fact;
        if (bodyOf(body, size, fact)) feeds_.adoptTransport(fact);
    } else if (type == types_.hostFacts) {
        HostFacts facts;
        if (!bodyOf(body, size, facts)) return;
        std::string doc;
        if (writeDiagnosticHostChangedJson(doc, hostFacts_, facts, ++hostChanges_, feeds_.nowMs())) page_.send(doc);
        hostFacts_ = facts;
    } else if (type == types_.bankReply) {
        if (body != nullptr) banks_.adoptRuntimeBankReply(std::string(static_cast<const char*>(body), size));
    } else if (type == types_.ccMap) {
        CcMapRecord record;
        if (bodyOf(body, size, record) && record.present != 0 && record.map.count <= kCcMapCapacity &&
            !(cc_.present && ccMapsEqual(cc_.map, record.map)))
            adoptCcMap(record.map, false);
    }
}

void Lv2PageBridge::tick(double nowMs) {
    fetch_.poll(page_.open(), [this](const std::string& progress) { page_.send(progress); });
    const std::uint32_t mask = feeds_.mask();
    if (!talks() || !page_.open() || (mask & (DIAGNOSTIC_FEED_METERS | DIAGNOSTIC_FEED_TRANSPORT)) == 0) return;
    const double hz = feeds_.rateHz() > 0.0 && feeds_.rateHz() < MAX_POLL_HZ ? feeds_.rateHz() : MAX_POLL_HZ;
    if (nowMs - lastPollMs_ < 1000.0 / hz) return;
    lastPollMs_ = nowMs;
    std::uint32_t flags = 0;
    if ((mask & DIAGNOSTIC_FEED_METERS) != 0) flags |= kPollLevels;
    if ((mask & DIAGNOSTIC_FEED_TRANSPORT) != 0) flags |= kPollTransport | kPollHost;
    poll(flags);
}

void Lv2PageBridge::forgetHost() {
    write_ = [](std::uint32_t, float) {};
    touch_ = nullptr;
    send_ = nullptr;
    fetch_.abandon();  // a download still running is abandoned and never answers
}

void Lv2PageBridge::onEditorClosed() {
    // A drag cut short by the page going (the helper died): its gesture still ends; so does
    // every key the page held.
    for (std::uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) touch(id, false);
    audition_.pageGone();
    feeds_.unsubscribe();
}

void Lv2PageBridge::sendHello() {
    std::string doc = beginHelloDocument(normalized_);
    if (talks() && cc_.present) {
        doc += ",\"ccMap\":";
        writeCcMapJson(doc, cc_.map);
    }
    doc += talks() ? ATOM_FEATURES : PORT_FEATURES;
    doc += '}';
    page_.forgetValues();
    page_.send(doc);
}

void Lv2PageBridge::sendState() {
    double plain[VELMO_PARAM_COUNT];
    for (std::uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id)
        plain[id] = velmo_param_to_plain(VELMO_PARAMS[id], normalized_[id]);
    const std::string state = writeStateJson(plain, -1, cc_.present ? &cc_.map : nullptr, kSamplerAssetNone, 0,
                                             nullptr, &banks_.padOverrides(), nullptr);
    feeds_.record(DiagnosticLifecycleKind::StateSaved, -1)
        .addNumber("stateBytes", static_cast<double>(state.size()))
        .addString("source", "ui");
    feeds_.publishLast();
    page_.send("{\"type\":\"velmo.state\",\"state\":" + state + "}");
}

void Lv2PageBridge::adoptCcMap(const CcMap& map, bool tellPlugin) {
    cc_.map = map;
    cc_.present = true;
    if (tellPlugin && send_) {
        CcMapRecord record;
        record.present = 1;
        record.map = map;
        send_(types_.ccMap, &record, sizeof record);
    }
    feeds_.record(DiagnosticLifecycleKind::CcMapChanged, -1).addNumber("bindings", map.count);
    feeds_.publishLast();
    std::string doc;
    writeCcMapChangedJson(doc, cc_.map);
    page_.send(doc);
}

void Lv2PageBridge::poll(std::uint32_t flags) {
    const Poll request{flags};
    if (send_) send_(types_.poll, &request, sizeof request);
}

void Lv2PageBridge::setFromPage(std::uint32_t id, double normalized) {
    write(id, normalized);
    page_.pageSet(id, normalized_[id]);
}

void Lv2PageBridge::writeAll(const double* normalized, const bool* present) {
    for (std::uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
        if (present != nullptr && !present[id]) continue;
        touch(id, true);
        write(id, normalized[id]);
        touch(id, false);
        page_.sendParamChanged(id, normalized_[id]);
    }
}

void Lv2PageBridge::write(std::uint32_t id, double normalized) {
    const velmo_param_desc& row = VELMO_PARAMS[id];
    const float plain = static_cast<float>(velmo_param_to_plain(row, normalized));
    normalized_[id] = velmo_param_normalize(row, portValue(plain));
    write_(id, plain);
}

void Lv2PageBridge::touch(std::uint32_t id, bool grabbed) {
    if (grabbed_[id] == grabbed) return;
    grabbed_[id] = grabbed;
    if (touch_) touch_(id, grabbed);
}

}  // namespace velmo::lv2
