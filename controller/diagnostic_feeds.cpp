#include "controller/diagnostic_feeds.h"

#include <cmath>
#include <string>

#include "diagnostics/lifecycle_json.h"
#include "docs/number_text.h"

namespace velmo {

namespace {

constexpr double MAX_FEED_HZ = 30.0;
constexpr double DEFAULT_PUSH_INTERVAL_MS = 1000.0 / 30.0;

}  // namespace

void DiagnosticFeeds::subscribe(std::uint32_t feeds, double hz) {
    mask_ = feeds;
    rateHz_ = hz > MAX_FEED_HZ ? MAX_FEED_HZ : hz;
    silenceSent_ = false;
    replay();
    if (transportKnown_ && wants(DIAGNOSTIC_FEED_TRANSPORT)) {
        std::string doc;
        writeDiagnosticTransportJson(doc, lastTransport_);
        lastTransportPushMs_ = log_.nowMs();
        page_.send(doc);
    }
    // The next fact counts as new and reports no tempo or signature change.
    transportResetPending_ = true;
    transportKnown_ = false;
}

void DiagnosticFeeds::adoptOutputLevels(const OutputLevels& levels) {
    if (!wants(DIAGNOSTIC_FEED_METERS)) return;
    const bool silent = levels.peak[0] == 0.0f && levels.peak[1] == 0.0f;
    if (silent && silenceSent_) return;
    silenceSent_ = silent;
    std::string doc = "{\"type\":\"velmo.meters\",\"peaks\":[";
    for (int c = 0; c < 2; ++c) {
        if (c > 0) doc += ',';
        char text[kNumberTextCapacity];
        // A float's own shortest text; a sample that was not finite reads as null.
        if (std::isfinite(levels.peak[c]))
            doc.append(text, formatShortestFloat(text, levels.peak[c]));
        else
            doc += "null";
    }
    doc += "]}";
    page_.send(doc);
}

void DiagnosticFeeds::unsubscribe() {
    mask_ = 0;
    rateHz_ = 0.0;
}

void DiagnosticFeeds::adoptTransport(const TransportFact& fact) {
    if (fact.hasTempo) {
        if (transportKnown_ && lastTransport_.hasTempo && fact.tempo != previousTempo_) {
            record(DiagnosticLifecycleKind::TempoChanged, static_cast<std::int64_t>(fact.atFrame))
                .addNumber("tempo", fact.tempo)
                .addNumber("previous", previousTempo_);
            publishLast();
        }
        previousTempo_ = fact.tempo;
    }
    if (fact.hasTimeSignature) {
        if (transportKnown_ && lastTransport_.hasTimeSignature &&
            (fact.numerator != previousNumerator_ || fact.denominator != previousDenominator_)) {
            record(DiagnosticLifecycleKind::TimeSignatureChanged, static_cast<std::int64_t>(fact.atFrame))
                .addNumber("numerator", fact.numerator)
                .addNumber("denominator", fact.denominator)
                .addNumber("previousNumerator", previousNumerator_)
                .addNumber("previousDenominator", previousDenominator_);
            publishLast();
        }
        previousNumerator_ = fact.numerator;
        previousDenominator_ = fact.denominator;
    }
    const bool changed = !transportKnown_ || fact.differsFrom(lastTransport_);
    lastTransport_ = fact;
    transportKnown_ = true;

    if (!wants(DIAGNOSTIC_FEED_TRANSPORT)) return;
    const double now = log_.nowMs();
    if (!changed) {
        const double interval = rateHz_ > 0.0 ? 1000.0 / rateHz_ : DEFAULT_PUSH_INTERVAL_MS;
        if (!fact.playing) return;
        if (lastTransportPushMs_ >= 0.0 && now - lastTransportPushMs_ < interval) return;
    }
    lastTransportPushMs_ = now;
    std::string doc;
    writeDiagnosticTransportJson(doc, fact);
    page_.send(doc);
}

void DiagnosticFeeds::publishLast() {
    if (!wants(DIAGNOSTIC_FEED_LIFECYCLE) || log_.count() == 0) return;
    std::string doc;
    if (writeDiagnosticLifecycleJson(doc, &log_.at(log_.count() - 1), 1, 0)) page_.send(doc);
}

void DiagnosticFeeds::replay() {
    if (!wants(DIAGNOSTIC_FEED_LIFECYCLE)) return;
    std::string doc;
    if (writeDiagnosticLifecycleReplayJson(doc, log_)) page_.send(doc);
}

}  // namespace velmo
