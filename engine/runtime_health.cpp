#include "engine/runtime_health.h"

#include <cstring>

#include "docs/json_write.h"

namespace velmo {
namespace {

void appendUnsigned(std::string& out, uint64_t value) { out += std::to_string(value); }

void appendRecord(std::string& out, const velmo_runtime_diagnostic& r, const char* moduleId, const char* version,
                  double sampleRate, int32_t maxBlockFrames) {
    out += "{\"format\":\"velmo-plugin-runtime-diagnostic/v1\",\"schemaVersion\":1,\"sequence\":";
    appendUnsigned(out, r.sequence);
    out += ",\"code\":";
    jsonAppendQuoted(out, diagnosticCodeName(r.code));
    out += ",\"severity\":";
    jsonAppendQuoted(out, diagnosticSeverityName(r.severity));
    out += ",\"phase\":";
    jsonAppendQuoted(out, diagnosticPhaseName(r.phase));
    out += ",\"component\":\"shell\",\"message\":";
    jsonAppendQuoted(out, std::string_view(r.message, strnlen(r.message, sizeof r.message)));
    out += ",\"recoverable\":";
    out += r.severity <= kSeverityWarning ? "true" : "false";
    out += ",\"identity\":{\"moduleId\":";
    jsonAppendQuoted(out, moduleId != nullptr ? moduleId : "unknown");
    out += ",\"version\":";
    jsonAppendQuoted(out, version != nullptr ? version : "unknown");
    out += ",\"target\":\"vst3\"},\"configuration\":{\"sampleRate\":";
    jsonAppendNumber(out, sampleRate);
    out += ",\"maxBlockFrames\":";
    out += std::to_string(maxBlockFrames);
    out += "},\"occurrence\":{\"count\":1}";
    const std::size_t detailLength = strnlen(r.detail, sizeof r.detail);
    if (detailLength > 0) {
        out += ",\"context\":{\"detail\":";
        jsonAppendQuoted(out, std::string_view(r.detail, detailLength));
        out += "}";
    }
    out += "}";
}

}  // namespace

std::string writeRuntimeHealthJson(const velmo_runtime_diagnostic_ring& ring, const char* moduleId,
                                   const char* version, double sampleRate, int32_t maxBlockFrames,
                                   bool failed) {
    const uint32_t count = ring.count < VELMO_RUNTIME_DIAGNOSTIC_CAPACITY ? ring.count : VELMO_RUNTIME_DIAGNOSTIC_CAPACITY;
    bool anyError = false;
    bool anyWarning = false;
    const velmo_runtime_diagnostic* firstError = nullptr;
    for (uint32_t i = 0; i < count; ++i) {
        const velmo_runtime_diagnostic& r = ring.records[i];
        if (r.severity >= kSeverityError) anyError = true;
        if (r.severity == kSeverityWarning) anyWarning = true;
        if (ring.firstErrorSequence != 0 && r.sequence == ring.firstErrorSequence && firstError == nullptr)
            firstError = &r;
    }
    const char* status = (failed || anyError) ? "failed" : (ring.dropped != 0 || anyWarning) ? "degraded" : "healthy";

    std::string out;
    out.reserve(512 + count * 640);
    out += "{\"format\":\"velmo-runtime-health/v1\",\"schemaVersion\":1,\"instanceId\":\"vst3\",\"lifecycle\":";
    jsonAppendQuoted(out, failed ? "failed" : "configured");
    out += ",\"status\":";
    jsonAppendQuoted(out, status);
    out += ",\"counters\":{\"diagnostics\":";
    appendUnsigned(out, count);
    out += ",\"diagnostics.dropped\":";
    appendUnsigned(out, ring.dropped);
    out += "},\"diagnostics\":[";
    for (uint32_t i = 0; i < count; ++i) {
        if (i > 0) out += ",";
        appendRecord(out, ring.records[i], moduleId, version, sampleRate, maxBlockFrames);
    }
    out += "]";
    if (firstError != nullptr) {
        out += ",\"firstError\":";
        appendRecord(out, *firstError, moduleId, version, sampleRate, maxBlockFrames);
    }
    out += "}";
    return out;
}

}  // namespace velmo
