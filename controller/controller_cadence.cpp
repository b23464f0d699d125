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

void VelmoController::subscribeDiagnostics(std::uint32_t feeds, double hz) {
    feeds_.subscribe(feeds, hz);
    pollTransport();
}

void VelmoController::tickCadence() {
    takeHostCalls();
    pollTransport();
    drainProcessorFeeds();
    fetch_.poll(page_.open(), [this](const std::string& progress) { sendToUi(progress); });
}

void VelmoController::pollTransport() {
    // Without a processor nothing is sent and the reset stays pending.
    if (!peerConnection) return;
    IPtr<IMessage> message = owned(allocateMessage());
    if (!message) return;  // the reset stays pending for the next tick
    message->setMessageID(kMessageTransportPoll);
    message->getAttributes()->setInt("reset", feeds_.transportResetPending() ? 1 : 0);
    sendMessage(message);
    feeds_.transportResetSent();
}

void VelmoController::drainProcessorFeeds() {
    if (!peerConnection) return;
    IPtr<IMessage> message = owned(allocateMessage());
    if (!message) return;
    message->setMessageID(kMessageFeedDrain);
    sendMessage(message);
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
        DiagnosticLifecycleEvent& event = feeds_.record(kind, -1);
        switch (kind) {
            case DiagnosticLifecycleKind::LatencyChanged:
                event.addNumber("latencySamples", hostFacts_.latencySamples)
                    .addNumber("previous", old.latencySamples)
                    .addBool("reported", true);
                break;
            case DiagnosticLifecycleKind::SampleRateChanged:
                event.addNumber("sampleRate", hostFacts_.sampleRate).addNumber("previous", old.sampleRate);
                break;
            case DiagnosticLifecycleKind::BlockSizeChanged:
                event.addNumber("maxBlockFrames", hostFacts_.maxBlockFrames).addNumber("previous", old.maxBlockFrames);
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
            case DiagnosticLifecycleKind::BypassChanged: event.addBool("bypassed", hostFacts_.bypassed != 0); break;
            default: break;
        }
        feeds_.publishLast();
    }

    if (!helloSent_ || !page_.open()) return;
    ++hostChangeSeq_;
    std::string doc;
    if (writeDiagnosticHostChangedJson(doc, old, hostFacts_, hostChangeSeq_, feeds_.nowMs()))
        sendToUi(doc);
    else
        --hostChangeSeq_;
}

}  // namespace velmo
