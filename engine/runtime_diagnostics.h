#pragma once
// Structured runtime diagnostics: an append-only ring written on the main thread, and a
// lock-free single-producer/single-consumer queue the audio thread writes and the main
// thread drains into the ring.
#include <atomic>
#include <cstdint>

namespace velmo {

enum : uint8_t {
    kSeverityInfo = 0,
    kSeverityWarning = 1,
    kSeverityError = 2,
    kSeverityFatal = 3,
};

enum : uint8_t {
    kPhaseBuild = 0, kPhasePackage, kPhaseInstall, kPhaseScan, kPhaseLoad, kPhaseConfigure,
    kPhaseActivate, kPhaseProcess, kPhasePreset, kPhaseState, kPhaseEditor, kPhaseShutdown,
};

enum : uint32_t {
    kDiagKernelCreateFailed = 1,
    kDiagRateAdapterFailed = 2,
    kDiagProcessFailed = 4,
    kDiagInvalidConfiguration = 14,
    kDiagEngineUnavailable = 15,
    kDiagEventRejected = 22,
    kDiagDiagnosticsOverflow = 25,
    kDiagBankMissing = 27,
    kDiagBankHashMismatch = 28,
};

inline constexpr uint32_t VELMO_RUNTIME_DIAGNOSTIC_CAPACITY = 32;

struct velmo_runtime_diagnostic {
    uint32_t sequence;
    uint32_t code;
    uint8_t severity;
    uint8_t phase;
    char message[192];
    char detail[128];
};

struct velmo_runtime_diagnostic_ring {
    uint32_t nextSequence = 1;
    uint32_t dropped = 0;
    uint32_t firstErrorSequence = 0;
    uint32_t count = 0;
    velmo_runtime_diagnostic records[VELMO_RUNTIME_DIAGNOSTIC_CAPACITY] = {};
};

// Names for the wire: "runtime.unknown", "error" and "process" outside the known ranges.
const char* diagnosticCodeName(uint32_t code);
const char* diagnosticSeverityName(uint8_t severity);
const char* diagnosticPhaseName(uint8_t phase);

// Appends to the ring; once 32 records are stored only nextSequence and dropped advance.
// Null texts are taken as empty; longer texts are cut.
void recordDiagnostic(velmo_runtime_diagnostic_ring& ring, uint32_t code, uint8_t severity,
                      uint8_t phase, const char* message, const char* detail);

// Audio thread writes, one main-thread consumer drains. Never blocks, never allocates.
class RealtimeDiagnosticQueue {
public:
    static constexpr uint32_t kSlots = 32;

    // Producer side: false (and the overflow counter advanced) when all slots are taken.
    bool push(uint32_t code, uint8_t severity, uint8_t phase);

    // Consumer side: moves every queued record into the ring, then reports an overflow
    // since the last drain as one warning record.
    void drainInto(velmo_runtime_diagnostic_ring& ring);
    // Consumer side: hands every queued record to `take` in order; returns (and clears) the
    // number of records refused since the last drain.
    using Taker = void (*)(void* context, uint32_t code, uint8_t severity, uint8_t phase);
    uint32_t drain(Taker take, void* context);
    // Consumer side: records or an overflow count are waiting.
    bool pending() const;

private:
    struct Slot {
        uint32_t code;
        uint8_t severity;
        uint8_t phase;
    };
    Slot slots_[kSlots] = {};
    std::atomic<uint32_t> writeIndex_{0};
    std::atomic<uint32_t> readIndex_{0};
    std::atomic<uint32_t> overflow_{0};
};

}  // namespace velmo
