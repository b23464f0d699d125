#include "diagnostics/lifecycle_log.h"

#include "platform/monotonic_clock.h"

namespace velmo {

DiagnosticLifecycleLog::DiagnosticLifecycleLog() : startNs_(monotonicNanos()) {}

DiagnosticLifecycleEvent& DiagnosticLifecycleLog::record(DiagnosticLifecycleKind kind,
                                                         std::int64_t atFrame) {
    if (count_ == CAPACITY) {
        ++head_;  // 8-bit: wraps at 256
        count_ = CAPACITY - 1;
        ++dropped_;
    }
    DiagnosticLifecycleEvent& slot = events_[static_cast<std::uint8_t>(head_ + count_)];
    slot.clear();
    slot.seq = ++nextSeq_;
    slot.timeMs = nowMs();
    slot.atFrame = atFrame;
    slot.kind = kind;
    ++count_;
    return slot;
}

const DiagnosticLifecycleEvent& DiagnosticLifecycleLog::at(std::uint32_t index) const {
    if (index >= count_) return events_[head_];
    return events_[static_cast<std::uint8_t>(head_ + index)];
}

double DiagnosticLifecycleLog::nowMs() const {
    const std::uint64_t now = monotonicNanos();
    if (now <= startNs_) return 0.0;
    return static_cast<double>(now - startNs_) / 1e6;
}

}  // namespace velmo
