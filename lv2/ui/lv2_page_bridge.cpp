#include "lv2/ui/lv2_page_bridge.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>

#include "controller/page_documents.h"
#include "docs/bridge_message.h"
#include "params/factory_presets.h"

namespace velmo::lv2 {

namespace {

// What the page may show: everything else (audition keys, meter, CC map, state, diagnostics,
// banks) has no path through the LV2 UI's ports.
constexpr const char* FEATURES = ",\"features\":[\"params\",\"presets\"]";

// A port's float as the decimal it prints as (0.9f is 0.9, not 0.899999976), so the page shows
// what the host shows and the host's echo of a written value matches the page's own.
double portValue(float value) {
    char text[32];
    const char* end = std::to_chars(text, text + sizeof text, value).ptr;
    double out = value;
    std::from_chars(text, end, out);
    return out;
}

}  // namespace

Lv2PageBridge::Lv2PageBridge(WritePort write, TouchPort touch) : write_(std::move(write)), touch_(std::move(touch)) {
    for (const velmo_param_desc& row : VELMO_PARAMS) normalized_[row.id] = velmo_param_normalize(row, row.defaultPlain);
}

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
    } else if (m.type == "velmo.setParam" && m.hasValue && row != nullptr) {
        setFromPage(row->id, velmo_param_normalize(*row, m.value));
    } else if (m.type == "velmo.beginEdit" && row != nullptr) {
        touch(row->id, true);
    } else if (m.type == "velmo.endEdit" && row != nullptr) {
        touch(row->id, false);
    } else if (m.type == "velmo.loadFactoryPreset") {
        std::uint32_t index = 0;
        if (!factoryPresetIndexFromId(m.id, index) || VELMO_FACTORY_PRESETS[index].values == nullptr) return;
        // Each port as one gesture, and the page told: hosts need not echo what a UI wrote.
        for (std::uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
            touch(id, true);
            write(id, VELMO_FACTORY_PRESETS[index].values[id]);
            touch(id, false);
            page_.sendParamChanged(id, normalized_[id]);
        }
    }
    // Anything else belongs to a feature the hello did not offer.
}

void Lv2PageBridge::forgetHost() {
    write_ = [](std::uint32_t, float) {};
    touch_ = nullptr;
}

void Lv2PageBridge::onEditorClosed() {
    // A drag cut short by the page going (the helper died): its gesture still ends.
    for (std::uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) touch(id, false);
}

void Lv2PageBridge::sendHello() {
    std::string doc = beginHelloDocument(normalized_);
    doc += FEATURES;
    doc += '}';
    page_.forgetValues();
    page_.send(doc);
}

void Lv2PageBridge::setFromPage(std::uint32_t id, double normalized) {
    write(id, normalized);
    page_.pageSet(id, normalized_[id]);
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
