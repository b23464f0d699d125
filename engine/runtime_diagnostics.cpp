#include "engine/runtime_diagnostics.h"

#include <cstdio>
#include <cstring>

namespace velmo {
namespace {

const char* const CODE_NAMES[29] = {
    "runtime.unknown",
    "runtime.kernel-create-failed",
    "runtime.rate-adapter-init-failed",
    "runtime.unsupported-processing-configuration",
    "runtime.process-failed",
    "runtime.suspicious-silence",
    "preset.bank-mismatch",
    "preset.processor-apply-failed",
    "state.decode-failed",
    "state.restore-failed",
    "editor.bundle-identity-mismatch",
    "editor.bridge-timeout",
    "install.artifact-stale",
    "install.duplicate-scan-candidate",
    "runtime.invalid-configuration",
    "runtime.engine-unavailable",
    "build.dependency-missing",
    "build.artifact-missing",
    "host.validator-missing",
    "runtime.realtime-violation",
    "runtime.nonfinite-audio",
    "runtime.callback-missing",
    "runtime.event-rejected",
    "runtime.host-connection-failed",
    "runtime.closed",
    "runtime.diagnostics-overflow",
    "runtime.unknown",
    "bank.missing",
    "bank.hash-mismatch",
};

const char* const SEVERITY_NAMES[4] = {"info", "warning", "error", "fatal"};

const char* const PHASE_NAMES[12] = {
    "build", "package", "install", "scan", "load", "configure",
    "activate", "process", "preset", "state", "editor", "shutdown",
};

// Copies at most size - 1 bytes and zero-fills the rest, so records compare byte for byte.
void copyCut(char* dst, std::size_t size, const char* src) {
    std::memset(dst, 0, size);
    if (src == nullptr) return;
    std::size_t n = std::strlen(src);
    if (n > size - 1) n = size - 1;
    std::memcpy(dst, src, n);
}

const char* drainedMessage(uint32_t code) {
    switch (code) {
        case kDiagProcessFailed: return "audio process callback failed; output was cleared";
        case kDiagRateAdapterFailed: return "sample-rate adapter failed; output was cleared";
        default: return "runtime diagnostic observed on the audio callback";
    }
}

}  // namespace

const char* diagnosticCodeName(uint32_t code) {
    return code >= 1 && code <= 28 ? CODE_NAMES[code] : "runtime.unknown";
}

const char* diagnosticSeverityName(uint8_t severity) {
    return severity <= 3 ? SEVERITY_NAMES[severity] : "error";
}

const char* diagnosticPhaseName(uint8_t phase) {
    return phase <= 11 ? PHASE_NAMES[phase] : "process";
}

void recordDiagnostic(velmo_runtime_diagnostic_ring& ring, uint32_t code, uint8_t severity,
                      uint8_t phase, const char* message, const char* detail) {
    const uint32_t sequence = ring.nextSequence++;
    if (ring.count >= VELMO_RUNTIME_DIAGNOSTIC_CAPACITY) {
        ++ring.dropped;
        return;
    }
    velmo_runtime_diagnostic& r = ring.records[ring.count++];
    r.sequence = sequence;
    r.code = code;
    r.severity = severity;
    r.phase = phase;
    copyCut(r.message, sizeof r.message, message);
    copyCut(r.detail, sizeof r.detail, detail);
    if (severity >= kSeverityError && ring.firstErrorSequence == 0) ring.firstErrorSequence = sequence;
}

bool RealtimeDiagnosticQueue::push(uint32_t code, uint8_t severity, uint8_t phase) {
    const uint32_t w = writeIndex_.load(std::memory_order_relaxed);
    if (w - readIndex_.load(std::memory_order_acquire) >= kSlots) {
        overflow_.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    slots_[w % kSlots] = Slot{code, severity, phase};
    writeIndex_.store(w + 1, std::memory_order_release);
    return true;
}

bool RealtimeDiagnosticQueue::pending() const {
    return writeIndex_.load(std::memory_order_acquire) != readIndex_.load(std::memory_order_relaxed) ||
           overflow_.load(std::memory_order_acquire) != 0;
}

uint32_t RealtimeDiagnosticQueue::drain(Taker take, void* context) {
    const uint32_t r = readIndex_.load(std::memory_order_relaxed);
    const uint32_t w = writeIndex_.load(std::memory_order_acquire);
    for (uint32_t i = r; i != w; ++i) {
        const Slot s = slots_[i % kSlots];
        take(context, s.code, s.severity, s.phase);
    }
    readIndex_.store(w, std::memory_order_release);
    return overflow_.exchange(0, std::memory_order_acq_rel);
}

void RealtimeDiagnosticQueue::drainInto(velmo_runtime_diagnostic_ring& ring) {
    const uint32_t lost = drain(
        [](void* context, uint32_t code, uint8_t severity, uint8_t phase) {
            recordDiagnostic(*static_cast<velmo_runtime_diagnostic_ring*>(context), code, severity, phase,
                             drainedMessage(code), "audio callback");
        },
        &ring);
    if (lost != 0) {
        char detail[64];
        std::snprintf(detail, sizeof detail, "dropped=%u; source=audio callback", lost);
        recordDiagnostic(ring, kDiagDiagnosticsOverflow, kSeverityWarning, kPhaseProcess,
                         "audio diagnostic queue overflowed", detail);
    }
}

}  // namespace velmo
