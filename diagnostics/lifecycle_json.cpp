#include "diagnostics/lifecycle_json.h"

#include <algorithm>

#include "docs/json_write.h"

namespace velmo {
namespace {

void appendDetail(std::string& out, const DiagnosticLifecycleDetail& detail) {
    jsonAppendQuoted(out, detail.name);
    out += ':';
    switch (detail.type) {
        case DiagnosticDetailType::Number: jsonAppendNumber(out, detail.number); break;
        case DiagnosticDetailType::String: jsonAppendQuoted(out, detail.text); break;
        case DiagnosticDetailType::Bool: out += detail.boolean ? "true" : "false"; break;
        default: out += "null"; break;
    }
}

void appendEvents(std::string& out, std::uint32_t dropped, std::size_t n,
                  const DiagnosticLifecycleEvent& (*eventAt)(const void*, std::size_t),
                  const void* source) {
    out += "{\"type\":\"velmo.lifecycle\",\"events\":[";
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0) out += ',';
        writeDiagnosticLifecycleEventJson(out, eventAt(source, i));
    }
    out += ']';
    if (dropped != 0) {
        out += ",\"dropped\":";
        out += std::to_string(dropped);
    }
    out += '}';
}

}  // namespace

void writeDiagnosticLifecycleEventJson(std::string& out, const DiagnosticLifecycleEvent& event) {
    out += "{\"seq\":";
    out += std::to_string(event.seq);
    out += ",\"timeMs\":";
    jsonAppendNumber(out, event.timeMs);
    if (event.atFrame >= 0) {
        out += ",\"atFrame\":";
        out += std::to_string(event.atFrame);
    }
    out += ",\"kind\":";
    const char* name = diagnosticLifecycleKindName(event.kind);
    jsonAppendQuoted(out, name != nullptr ? name : "runtimeDiagnostic");
    const std::uint32_t details = std::min(event.detailCount, DiagnosticLifecycleEvent::MAX_DETAILS);
    if (details > 0) {
        out += ",\"detail\":{";
        for (std::uint32_t i = 0; i < details; ++i) {
            if (i > 0) out += ',';
            appendDetail(out, event.details[i]);
        }
        out += '}';
    }
    out += '}';
}

bool writeDiagnosticLifecycleJson(std::string& out, const DiagnosticLifecycleEvent* events,
                                  std::size_t n, std::uint32_t dropped) {
    if (events == nullptr || n == 0) return false;
    const auto fromArray = [](const void* src, std::size_t i) -> const DiagnosticLifecycleEvent& {
        return static_cast<const DiagnosticLifecycleEvent*>(src)[i];
    };
    appendEvents(out, dropped, std::min<std::size_t>(n, DiagnosticLifecycleLog::CAPACITY),
                 fromArray, events);
    return true;
}

bool writeDiagnosticLifecycleReplayJson(std::string& out, const DiagnosticLifecycleLog& log) {
    if (log.count() == 0) return false;
    const auto fromLog = [](const void* src, std::size_t i) -> const DiagnosticLifecycleEvent& {
        return static_cast<const DiagnosticLifecycleLog*>(src)->at(static_cast<std::uint32_t>(i));
    };
    appendEvents(out, log.dropped(), log.count(), fromLog, &log);
    return true;
}

}  // namespace velmo
