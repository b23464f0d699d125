#include "controller/page_channel.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include "docs/json_write.h"

namespace velmo {

void PageChannel::install(BridgeSink sink) {
    sink_ = nullptr;  // the old channel goes before the new one arrives
    sink_ = std::move(sink);
    forgetValues();
}

void PageChannel::send(const std::string& document) const {
    if (sink_) sink_(document);
}

void PageChannel::sendParamChanged(std::uint32_t id, double normalized) {
    if (id >= VELMO_PARAM_COUNT || !sink_) return;
    if (sent_[id] == normalized) return;
    sent_[id] = normalized;
    const velmo_param_desc& row = VELMO_PARAMS[id];
    std::string doc = "{\"type\":\"velmo.paramChanged\",";
    appendValue(doc, row, velmo_param_to_plain(row, normalized), normalized);
    doc += '}';
    send(doc);
}

void PageChannel::appendValue(std::string& doc, const velmo_param_desc& row, double plain, double normalized) {
    doc += "\"path\":";
    jsonAppendQuoted(doc, row.path);
    doc += ",\"value\":";
    jsonAppendNumber(doc, plain);
    doc += ",\"normalized\":";
    jsonAppendNumber(doc, normalized);
}

void PageChannel::pageSet(std::uint32_t id, double normalized) {
    if (id < VELMO_PARAM_COUNT) sent_[id] = std::numeric_limits<double>::quiet_NaN();
    echoGuardId_ = static_cast<std::int32_t>(id);
    echoGuardValue_ = normalized;
}

void PageChannel::hostSet(std::uint32_t id, double normalized) {
    if (echoGuardId_ >= 0 && static_cast<std::uint32_t>(echoGuardId_) == id && echoGuardValue_ == normalized) {
        echoGuardId_ = -1;
        return;
    }
    sendParamChanged(id, normalized);
}

void PageChannel::forgetValues() {
    std::fill(std::begin(sent_), std::end(sent_), std::numeric_limits<double>::quiet_NaN());
}

}  // namespace velmo
