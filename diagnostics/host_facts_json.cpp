#include "diagnostics/host_facts_json.h"

#include <cstring>

#include "docs/json_write.h"

namespace velmo {

namespace {

// Members are appended through this so commas fall only between present members.
class Members {
public:
    explicit Members(std::string& out) : out_(out) {}
    std::string& key(const char* name) {
        if (any_) out_ += ',';
        any_ = true;
        jsonAppendQuoted(out_, name);
        out_ += ':';
        return out_;
    }
    bool any() const { return any_; }

private:
    std::string& out_;
    bool any_ = false;
};

std::string_view fieldText(const char* text, std::size_t capacity) {
    return std::string_view(text, strnlen(text, capacity));
}

void appendInt(std::string& out, long long value) { out += std::to_string(value); }

const char* processModeName(std::uint8_t mode) {
    switch (mode) {
        case 1: return "offline";
        case 2: return "prefetch";
        default: return "realtime";
    }
}

void appendTail(std::string& out, const HostFacts& f) {
    if (f.tailKind == 2) {
        out += "\"infinite\"";
    } else if (f.tailKind == 1) {
        appendInt(out, f.tailSamples);
    } else {
        out += "\"unreported\"";
    }
}

void appendBuses(std::string& out, const HostFacts& f) {
    out += '[';
    const std::uint32_t n = f.busCount < kHostFactsMaxBuses ? f.busCount : kHostFactsMaxBuses;
    for (std::uint32_t i = 0; i < n; ++i) {
        const HostBusFact& b = f.buses[i];
        if (i > 0) out += ',';
        out += "{\"id\":";
        jsonAppendQuoted(out, fieldText(b.id, sizeof b.id));
        out += ",\"direction\":";
        out += b.isInput ? "\"input\"" : "\"output\"";
        out += ",\"channels\":";
        appendInt(out, b.channels);
        out += ",\"active\":";
        out += b.active ? "true" : "false";
        const std::string_view layout = fieldText(b.layout, sizeof b.layout);
        if (!layout.empty()) {
            out += ",\"layout\":";
            jsonAppendQuoted(out, layout);
        }
        out += '}';
    }
    out += ']';
}

bool doubleChanged(double a, double b) { return std::memcmp(&a, &b, sizeof a) != 0 && a != b; }

}  // namespace

void writeDiagnosticHostJson(std::string& out, const HostFacts& f) {
    out += '{';
    Members m(out);
    const std::string_view name = fieldText(f.hostName, sizeof f.hostName);
    const std::string_view version = fieldText(f.hostVersion, sizeof f.hostVersion);
    const std::string_view path = fieldText(f.hostPath, sizeof f.hostPath);
    if (!name.empty()) jsonAppendQuoted(m.key("hostName"), name);
    if (!version.empty()) jsonAppendQuoted(m.key("hostVersion"), version);
    if (!path.empty()) jsonAppendQuoted(m.key("hostPath"), path);
    if (const char* validator = validatorHostName(f.validatorHost)) {
        jsonAppendQuoted(m.key("validatorHost"), validator);
    }
    jsonAppendNumber(m.key("sampleRate"), f.sampleRate);
    appendInt(m.key("maxBlockFrames"), f.maxBlockFrames);
    if (f.lastBlockFrames >= 0) appendInt(m.key("lastBlockFrames"), f.lastBlockFrames);
    jsonAppendQuoted(m.key("processMode"), processModeName(f.processMode));
    appendInt(m.key("sampleSize"), f.sampleSize);
    appendInt(m.key("latencySamples"), f.latencySamples);
    appendTail(m.key("tailSamples"), f);
    if (f.internalSampleRate > 0) jsonAppendNumber(m.key("internalSampleRate"), f.internalSampleRate);
    appendBuses(m.key("buses"), f);
    if (f.bypassReported == 1) m.key("bypassed") += f.bypassed ? "true" : "false";
    out += '}';
}

bool writeDiagnosticHostDeltaJson(std::string& out, const HostFacts& a, const HostFacts& b) {
    std::string body;
    Members m(body);
    if (doubleChanged(a.sampleRate, b.sampleRate)) jsonAppendNumber(m.key("sampleRate"), b.sampleRate);
    if (a.maxBlockFrames != b.maxBlockFrames) appendInt(m.key("maxBlockFrames"), b.maxBlockFrames);
    if (a.lastBlockFrames != b.lastBlockFrames && b.lastBlockFrames >= 0) {
        appendInt(m.key("lastBlockFrames"), b.lastBlockFrames);
    }
    if (a.processMode != b.processMode) jsonAppendQuoted(m.key("processMode"), processModeName(b.processMode));
    if (a.sampleSize != b.sampleSize) appendInt(m.key("sampleSize"), b.sampleSize);
    if (a.latencySamples != b.latencySamples) appendInt(m.key("latencySamples"), b.latencySamples);
    if (a.tailKind != b.tailKind || a.tailSamples != b.tailSamples) appendTail(m.key("tailSamples"), b);
    if (doubleChanged(a.internalSampleRate, b.internalSampleRate) && b.internalSampleRate > 0) {
        jsonAppendNumber(m.key("internalSampleRate"), b.internalSampleRate);
    }
    if (hostBusesDiffer(a, b)) appendBuses(m.key("buses"), b);
    if ((b.bypassReported == 1 && a.bypassReported != 1) || a.bypassed != b.bypassed) {
        m.key("bypassed") += b.bypassed ? "true" : "false";
    }
    if (!m.any()) {
        return false;
    }
    out += '{';
    out += body;
    out += '}';
    return true;
}

bool writeDiagnosticHostChangedJson(std::string& out, const HostFacts& a, const HostFacts& b,
                                    std::uint32_t seq, double timeMs) {
    std::string delta;
    if (!writeDiagnosticHostDeltaJson(delta, a, b)) {
        return false;
    }
    out += "{\"type\":\"velmo.hostChanged\",\"host\":";
    out += delta;
    if (const char* kind = diagnosticHostChangeKind(a, b)) {
        out += ",\"event\":{\"seq\":";
        appendInt(out, seq);
        out += ",\"timeMs\":";
        jsonAppendNumber(out, timeMs);
        out += ",\"kind\":";
        jsonAppendQuoted(out, kind);
        out += '}';
    }
    out += '}';
    return true;
}

}  // namespace velmo
