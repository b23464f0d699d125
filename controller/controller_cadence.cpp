// The controller's diagnostic cadence: the page's subscription, the processor polls of each
// tick, adopting the transport, output levels and host facts the processor sends back, and the
// lifecycle log the page may follow.
#include <cmath>
#include <cstring>

#include "banks/bank_state_json.h"
#include "controller/velmo_controller.h"
#include "diagnostics/host_facts_json.h"
#include "diagnostics/lifecycle_json.h"
#include "diagnostics/message_ids.h"
#include "docs/number_text.h"
#include "pluginterfaces/vst/ivstmessage.h"

namespace velmo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr double MAX_FEED_HZ = 30.0;
constexpr double DEFAULT_PUSH_INTERVAL_MS = 1000.0 / 30.0;

}  // namespace

void VelmoController::subscribeDiagnostics(std::uint32_t feeds, double hz) {
    feedMask_ = feeds;
    feedRateHz_ = hz > MAX_FEED_HZ ? MAX_FEED_HZ : hz;
    silenceSentToPage_ = false;
    replayLifecycle();
    if (transportKnown_ && page_.open() && (feedMask_ & DIAGNOSTIC_FEED_TRANSPORT) != 0) {
        std::string doc;
        writeDiagnosticTransportJson(doc, lastTransport_);
        lastTransportPushMs_ = lifecycle_.nowMs();
        sendToUi(doc);
    }
    // The next fact counts as new and reports no tempo or signature change.
    transportResetPending_ = true;
    transportKnown_ = false;
    pollTransport();
}

void VelmoController::adoptOutputLevels(const OutputLevels& levels) {
    if (!page_.open() || (feedMask_ & DIAGNOSTIC_FEED_METERS) == 0) return;
    const bool silent = levels.peak[0] == 0.0f && levels.peak[1] == 0.0f;
    if (silent && silenceSentToPage_) return;
    silenceSentToPage_ = silent;
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
    sendToUi(doc);
}

void VelmoController::unsubscribeDiagnostics() {
    feedMask_ = 0;
    feedRateHz_ = 0.0;
}

void VelmoController::tickCadence() {
    takeHostCalls();
    pollTransport();
    drainProcessorFeeds();
    if (fetchJob_ && !fetchJob_->poll()) reportFetchProgress();  // a true poll may end the job
}

void VelmoController::reportFetchProgress() {
    const std::uint64_t received = fetchJob_->bytesReceived();
    if (!page_.open() || received == fetchReported_) return;
    fetchReported_ = received;
    sendToUi(writeBankFetchProgressJson(received, fetchJob_->bytesExpected()));
}

void VelmoController::pollTransport() {
    // Without a processor nothing is sent and the reset stays pending.
    if (!peerConnection) return;
    IPtr<IMessage> message = owned(allocateMessage());
    if (!message) return;  // the reset stays pending for the next tick
    message->setMessageID(kMessageTransportPoll);
    message->getAttributes()->setInt("reset", transportResetPending_ ? 1 : 0);
    sendMessage(message);
    transportResetPending_ = false;
}

void VelmoController::drainProcessorFeeds() {
    if (!peerConnection) return;
    IPtr<IMessage> message = owned(allocateMessage());
    if (!message) return;
    message->setMessageID(kMessageFeedDrain);
    sendMessage(message);
}

void VelmoController::adoptTransportFact(const TransportFact& fact) {
    if (fact.hasTempo) {
        if (transportKnown_ && lastTransport_.hasTempo && fact.tempo != previousTempo_) {
            recordLifecycle(DiagnosticLifecycleKind::TempoChanged,
                            static_cast<std::int64_t>(fact.atFrame))
                .addNumber("tempo", fact.tempo)
                .addNumber("previous", previousTempo_);
            publishLastLifecycle();
        }
        previousTempo_ = fact.tempo;
    }
    if (fact.hasTimeSignature) {
        if (transportKnown_ && lastTransport_.hasTimeSignature &&
            (fact.numerator != previousNumerator_ || fact.denominator != previousDenominator_)) {
            recordLifecycle(DiagnosticLifecycleKind::TimeSignatureChanged,
                            static_cast<std::int64_t>(fact.atFrame))
                .addNumber("numerator", fact.numerator)
                .addNumber("denominator", fact.denominator)
                .addNumber("previousNumerator", previousNumerator_)
                .addNumber("previousDenominator", previousDenominator_);
            publishLastLifecycle();
        }
        previousNumerator_ = fact.numerator;
        previousDenominator_ = fact.denominator;
    }
    const bool changed = !transportKnown_ || fact.differsFrom(lastTransport_);
    lastTransport_ = fact;
    transportKnown_ = true;

    if (!page_.open() || (feedMask_ & DIAGNOSTIC_FEED_TRANSPORT) == 0) return;
    const double now = lifecycle_.nowMs();
    if (!changed) {
        const double interval = feedRateHz_ > 0.0 ? 1000.0 / feedRateHz_ : DEFAULT_PUSH_INTERVAL_MS;
        if (!fact.playing) return;
        if (lastTransportPushMs_ >= 0.0 && now - lastTransportPushMs_ < interval) return;
    }
    lastTransportPushMs_ = now;
    std::string doc;
    writeDiagnosticTransportJson(doc, fact);
    sendToUi(doc);
}

void VelmoController::adoptHostFacts(const HostFacts& incoming) {
    const HostFacts old = hostFacts_;
    hostFacts_ = incoming;
    // The record arrives as raw bytes: keep its count and texts inside their fields.
    if (hostFacts_.busCount > kHostFactsMaxBuses) hostFacts_.busCount = kHostFactsMaxBuses;
    for (HostBusFact& bus : hostFacts_.buses) {
        bus.id[sizeof bus.id - 1] = '\0';
        bus.layout[sizeof bus.layout - 1] = '\0';
    }
    // Identity is what this controller saw itself, never what the processor carried over.
    std::memcpy(hostFacts_.hostName, old.hostName, sizeof old.hostName);
    std::memcpy(hostFacts_.hostVersion, old.hostVersion, sizeof old.hostVersion);
    std::memcpy(hostFacts_.hostPath, old.hostPath, sizeof old.hostPath);
    hostFacts_.validatorHost = old.validatorHost;

    const char* kindName = diagnosticHostChangeKind(old, hostFacts_);
    DiagnosticLifecycleKind kind;
    if (kindName != nullptr && diagnosticLifecycleKindFromName(kindName, kind)) {
        DiagnosticLifecycleEvent& event = recordLifecycle(kind, -1);
        switch (kind) {
            case DiagnosticLifecycleKind::LatencyChanged:
                event.addNumber("latencySamples", hostFacts_.latencySamples)
                    .addNumber("previous", old.latencySamples)
                    .addBool("reported", true);
                break;
            case DiagnosticLifecycleKind::SampleRateChanged:
                event.addNumber("sampleRate", hostFacts_.sampleRate)
                    .addNumber("previous", old.sampleRate);
                break;
            case DiagnosticLifecycleKind::BlockSizeChanged:
                event.addNumber("maxBlockFrames", hostFacts_.maxBlockFrames)
                    .addNumber("previous", old.maxBlockFrames);
                break;
            case DiagnosticLifecycleKind::BusLayoutChanged: {
                // The record arrived as raw bytes: its text may lack a terminator.
                char layout[sizeof hostFacts_.buses[0].layout + 1] = {};
                if (hostFacts_.busCount > 0)
                    std::memcpy(layout, hostFacts_.buses[0].layout, sizeof hostFacts_.buses[0].layout);
                event.addNumber("buses", hostFacts_.busCount).addString("layout", layout);
                break;
            }
            case DiagnosticLifecycleKind::ProcessModeChanged:
                event.addNumber("processMode", hostFacts_.processMode);
                break;
            case DiagnosticLifecycleKind::BypassChanged:
                event.addBool("bypassed", hostFacts_.bypassed != 0);
                break;
            default: break;
        }
        publishLastLifecycle();
    }

    if (!helloSent_ || !page_.open()) return;
    ++hostChangeSeq_;
    std::string doc;
    if (writeDiagnosticHostChangedJson(doc, old, hostFacts_, hostChangeSeq_, lifecycle_.nowMs()))
        sendToUi(doc);
    else
        --hostChangeSeq_;
}

// ---- lifecycle -----------------------------------------------------------------------------

DiagnosticLifecycleEvent& VelmoController::recordLifecycle(DiagnosticLifecycleKind kind,
                                                           std::int64_t frame) {
    return lifecycle_.record(kind, frame);
}

void VelmoController::emitLifecycle(DiagnosticLifecycleKind kind, std::int64_t frame) {
    recordLifecycle(kind, frame);
    publishLastLifecycle();
}

void VelmoController::publishLastLifecycle() {
    if (!page_.open() || (feedMask_ & DIAGNOSTIC_FEED_LIFECYCLE) == 0 || lifecycle_.count() == 0) return;
    std::string doc;
    if (writeDiagnosticLifecycleJson(doc, &lifecycle_.at(lifecycle_.count() - 1), 1, 0))
        sendToUi(doc);
}

void VelmoController::replayLifecycle() {
    if (!page_.open() || (feedMask_ & DIAGNOSTIC_FEED_LIFECYCLE) == 0) return;
    std::string doc;
    if (writeDiagnosticLifecycleReplayJson(doc, lifecycle_)) sendToUi(doc);
}

}  // namespace velmo
