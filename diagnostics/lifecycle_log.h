#pragma once
// The controller's bounded history of lifecycle events: a ring of 256 that overwrites the
// oldest event when full and counts what it dropped. Controller thread only.

#include <cstdint>

#include "diagnostics/lifecycle_event.h"

namespace velmo {

class DiagnosticLifecycleLog {
public:
    static constexpr std::uint32_t CAPACITY = 256;

    DiagnosticLifecycleLog();

    // Appends an event (seq and time assigned) and returns it so details can be added.
    DiagnosticLifecycleEvent& record(DiagnosticLifecycleKind kind, std::int64_t atFrame);

    // index-th stored event from the oldest; an index not below count() yields the oldest.
    const DiagnosticLifecycleEvent& at(std::uint32_t index) const;

    // Milliseconds since construction on a monotonic clock; 0 when not later than the start.
    double nowMs() const;

    std::uint32_t count() const { return count_; }
    std::uint32_t dropped() const { return dropped_; }
    std::uint32_t lastSeq() const { return nextSeq_; }

private:
    DiagnosticLifecycleEvent events_[CAPACITY];
    std::uint8_t head_ = 0;
    std::uint32_t count_ = 0;
    std::uint32_t dropped_ = 0;
    std::uint32_t nextSeq_ = 0;
    std::uint64_t startNs_ = 0;
};

}  // namespace velmo
