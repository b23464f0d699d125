#pragma once
// What the page's diagnostic subscription receives: the lifecycle log (replayed on subscribing,
// then each event), the host's transport (on change, and while playing at the subscribed rate)
// with its tempo and signature changes logged, and the output meter. Documents go out only
// while a page listens for that feed.
#include <cstdint>

#include "controller/page_channel.h"
#include "diagnostics/lifecycle_log.h"
#include "diagnostics/output_levels.h"
#include "diagnostics/transport_fact.h"

namespace velmo {

// Feed bits of the page's diagnostic subscription that the plug-in acts on.
inline constexpr std::uint32_t DIAGNOSTIC_FEED_TRANSPORT = 2;
inline constexpr std::uint32_t DIAGNOSTIC_FEED_METERS = 16;
inline constexpr std::uint32_t DIAGNOSTIC_FEED_LIFECYCLE = 64;

class DiagnosticFeeds {
public:
    explicit DiagnosticFeeds(const PageChannel& page) : page_(page) {}

    // Feed bits and a rate (at most 30 Hz). The lifecycle is replayed, the known transport
    // sent at once, and the next transport counts as new (no tempo or signature change).
    void subscribe(std::uint32_t feeds, double hz);
    void unsubscribe();
    std::uint32_t mask() const { return mask_; }
    double rateHz() const { return rateHz_; }

    DiagnosticLifecycleEvent& record(DiagnosticLifecycleKind kind, std::int64_t frame) {
        return log_.record(kind, frame);
    }
    // The newest event to a page following the lifecycle.
    void publishLast();
    void emit(DiagnosticLifecycleKind kind, std::int64_t frame) {
        record(kind, frame);
        publishLast();
    }
    const DiagnosticLifecycleLog& log() const { return log_; }
    double nowMs() const { return log_.nowMs(); }

    // The poll asks the processor for its transport again; true once after a subscription.
    bool transportResetPending() const { return transportResetPending_; }
    void transportResetSent() { transportResetPending_ = false; }
    void adoptTransport(const TransportFact& fact);
    // "velmo.meters"; silence is sent once, then nothing until there is sound again.
    void adoptOutputLevels(const OutputLevels& levels);

private:
    bool wants(std::uint32_t feed) const { return page_.open() && (mask_ & feed) != 0; }
    void replay();

    const PageChannel& page_;
    std::uint32_t mask_ = 0;
    double rateHz_ = 0.0;
    DiagnosticLifecycleLog log_;
    TransportFact lastTransport_{};
    bool transportKnown_ = false;
    double previousTempo_ = 0.0;
    std::int32_t previousNumerator_ = 0;
    std::int32_t previousDenominator_ = 0;
    bool transportResetPending_ = false;
    double lastTransportPushMs_ = -1.0;
    bool silenceSent_ = false;
};

}  // namespace velmo
