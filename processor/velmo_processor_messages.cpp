// VelmoProcessor's messages with the controller: the health document and host facts it
// sends, the poll it answers with transport and output peaks, and the audition, CC map and
// pad override messages it receives.
#include "processor/velmo_processor.h"

#include <cstring>
#include <string_view>

#include "banks/staged_bank.h"
#include "ccmap/cc_map_json.h"
#include "docs/pad_overrides.h"
#include "diagnostics/output_levels.h"
#include "engine/runtime_health.h"
#include "platform/monotonic_clock.h"
#include "processor/processor_messages.h"

namespace velmo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// The payload of a message, or false when the attribute is missing.
bool payloadOf(IMessage* message, const char*& bytes, uint32& size) {
    IAttributeList* attributes = message->getAttributes();
    const void* data = nullptr;
    size = 0;
    if (attributes == nullptr || attributes->getBinary(kPayloadAttribute, data, size) != kResultOk) {
        return false;
    }
    bytes = data != nullptr ? static_cast<const char*>(data) : "";
    if (data == nullptr) {
        size = 0;
    }
    return true;
}

bool idIs(const char* id, const char* expected) { return std::strcmp(id, expected) == 0; }

}  // namespace

void VelmoProcessor::sendJson(const char* id, const void* bytes, std::size_t size) {
    IMessage* message = allocateMessage();
    if (message == nullptr) {
        return;
    }
    message->setMessageID(id);
    if (IAttributeList* attributes = message->getAttributes()) {
        attributes->setBinary(kPayloadAttribute, bytes, static_cast<uint32>(size));
    }
    sendMessage(message);
    message->release();
}

void VelmoProcessor::sendRuntimeDiagnostics(bool failed) {
    engine.drainRuntimeDiagnostics();
    const velmo_runtime_diagnostic_ring snapshot = engine.diagnosticRing();
    const std::string document =
        writeRuntimeHealthJson(snapshot, kHealthModuleId, kHealthVersion, engine.hostSampleRate(),
                               engine.maxBlockFrames(), failed);
    sendJson(kMessageRuntimeDiagnostics, document.data(), document.size());
}

tresult PLUGIN_API VelmoProcessor::notify(IMessage* message) {
    const char* id = message != nullptr ? message->getMessageID() : nullptr;
    if (id == nullptr) {
        return AudioEffect::notify(message);
    }
    if (idIs(id, kMessageTransportPoll)) {
        answerPoll(message);
        return kResultOk;
    }
    if (idIs(id, kMessageFeedDrain) || idIs(id, kMessageResetCounters)) {
        return kResultOk;  // this processor keeps no feeds or counters of its own
    }
    if (idIs(id, kMessageAudition)) {
        return takeAuditionMessage(message);
    }
    if (idIs(id, kMessagePresetLoaded)) {
        const char* bytes = nullptr;
        uint32 size = 0;
        if (payloadOf(message, bytes, size)) {
            presetText.assign(bytes, size);
        } else {
            presetText.clear();
        }
        return kResultOk;
    }
    if (idIs(id, kMessagePadOverrides)) {
        return applyPadOverridesMessage(message);
    }
    if (idIs(id, kMessageCcMap)) {
        return applyCcMapMessage(message);
    }
    if (idIs(id, kMessageLoadRuntimeBank)) {
        return loadRuntimeBankMessage(message);
    }
    if (idIs(id, kMessageStageResourceSlot)) {
        return kResultFalse;  // no resource slot can be staged in this instrument
    }
    return AudioEffect::notify(message);
}

void VelmoProcessor::answerPoll(IMessage* poll) {
    int64 reset = 0;
    IAttributeList* attributes = poll->getAttributes();
    if (attributes != nullptr && attributes->getInt("reset", reset) != kResultOk) {
        reset = 0;
    }
    TransportFact fact;
    if (transport.take(fact, reset == 1)) {
        sendJson(kMessageTransport, &fact, sizeof fact);
    }
    OutputLevels levels;
    if (peaks.take(levels.peak)) {
        levels.auditionDropped = audition.dropped();
        levels.auditionWaitMicros = audition.lastWaitMicros();
        sendJson(kMessageMeters, &levels, sizeof levels);
    }
}

// One AuditionNote record; anything else is ignored. A note the inbox cannot take is counted
// there, not refused to the controller.
tresult VelmoProcessor::takeAuditionMessage(IMessage* message) {
    const char* bytes = nullptr;
    uint32 size = 0;
    if (payloadOf(message, bytes, size) && size == sizeof(AuditionNote)) {
        AuditionNote note;
        std::memcpy(&note, bytes, sizeof note);
        audition.post(note, monotonicNanos());
    }
    return kResultOk;
}

tresult VelmoProcessor::applyPadOverridesMessage(IMessage* message) {
    const char* bytes = nullptr;
    uint32 size = 0;
    SamplerPadOverrides parsed;
    if (payloadOf(message, bytes, size) && parseSamplerPadOverridesJson(bytes, size, parsed)) {
        engine.publishSamplerPadOverrides(parsed);  // an invalid set keeps the current one
    }
    return kResultOk;
}

tresult VelmoProcessor::applyCcMapMessage(IMessage* message) {
    const char* bytes = nullptr;
    uint32 size = 0;
    CcMap parsed;
    if (payloadOf(message, bytes, size) && parseCcMapJson(bytes, size, parsed)) {
        core.adoptCcMap(parsed);
    }
    return kResultOk;
}

// Always answered with "velmo.runtimeBankResult" (see InstrumentCore::answerBankRequest).
tresult VelmoProcessor::loadRuntimeBankMessage(IMessage* message) {
    const char* bytes = nullptr;
    uint32 size = 0;
    std::string_view request;
    if (payloadOf(message, bytes, size)) request = std::string_view(bytes, size);
    bool tried = false;
    const std::string reply = core.answerBankRequest(request, tried);
    if (tried) sendRuntimeDiagnostics(false);
    sendJson(kMessageRuntimeBankResult, reply.data(), reply.size());
    return kResultOk;
}

}  // namespace velmo
