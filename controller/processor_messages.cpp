// The controller's side of the processor link: what it sends, and the processor's reports
// (lifecycle, transport, meters, host facts, bank replies, runtime diagnostics) as they arrive.
#include <cstring>

#include "controller/velmo_controller.h"
#include "pluginterfaces/vst/ivstmessage.h"

namespace velmo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr uint32 MAX_LIFECYCLE_NAME_BYTES = 63;
constexpr uint32 MAX_RUNTIME_REPORT_BYTES = 65536;

// A fixed-size record, taken only from a payload of exactly its size.
template <typename Record>
bool recordOf(const void* data, uint32 size, Record& out) {
    if (size != sizeof out) return false;
    std::memcpy(&out, data, sizeof out);
    return true;
}

}  // namespace

bool VelmoController::sendToProcessor(const char* id, const std::string& payload) {
    IPtr<IMessage> message = owned(allocateMessage());
    if (!message) return false;
    message->setMessageID(id);
    message->getAttributes()->setBinary(kPayloadAttribute, payload.data(), static_cast<uint32>(payload.size()));
    return sendMessage(message) == kResultOk;
}

tresult PLUGIN_API VelmoController::notify(IMessage* message) {
    if (message == nullptr) return EditControllerEx1::notify(message);
    const char* messageId = message->getMessageID();
    if (messageId == nullptr) return EditControllerEx1::notify(message);

    const void* data = nullptr;
    uint32 size = 0;
    const auto payload = [&]() {
        IAttributeList* attrs = message->getAttributes();
        return attrs != nullptr && attrs->getBinary(kPayloadAttribute, data, size) == kResultOk && data != nullptr;
    };

    if (std::strcmp(messageId, kMessageLifecycle) == 0) {
        if (payload() && size >= 1 && size <= MAX_LIFECYCLE_NAME_BYTES) {
            char name[MAX_LIFECYCLE_NAME_BYTES + 1] = {};
            std::memcpy(name, data, size);
            DiagnosticLifecycleKind kind;
            if (std::strlen(name) == size && diagnosticLifecycleKindFromName(name, kind)) emitLifecycle(kind, -1);
        }
        return kResultOk;
    }
    if (std::strcmp(messageId, kMessageTransport) == 0) {
        if (TransportFact fact; payload() && recordOf(data, size, fact)) adoptTransportFact(fact);
        return kResultOk;
    }
    if (std::strcmp(messageId, kMessageMeters) == 0) {
        if (OutputLevels levels; payload() && recordOf(data, size, levels)) adoptOutputLevels(levels);
        return kResultOk;
    }
    if (std::strcmp(messageId, kMessageSignal) == 0) {
        payload();
        return kResultOk;
    }
    if (std::strcmp(messageId, kMessageHostFacts) == 0) {
        if (HostFacts facts; payload() && recordOf(data, size, facts)) adoptHostFacts(facts);
        return kResultOk;
    }
    if (std::strcmp(messageId, kMessageRuntimeBankResult) == 0) {
        if (payload()) bankControl_.adoptRuntimeBankReply(std::string(static_cast<const char*>(data), size));
        return kResultOk;
    }
    if (std::strcmp(messageId, kMessageRuntimeDiagnostics) == 0) {
        if (payload() && size >= 1 && size <= MAX_RUNTIME_REPORT_BYTES) handleRuntimeDiagnostics(data, size);
        return kResultOk;
    }
    return EditControllerEx1::notify(message);
}

void VelmoController::handleRuntimeDiagnostics(const void* data, uint32 size) {
    runtimeHealth_.assign(static_cast<const char*>(data), size);
    recordLifecycle(DiagnosticLifecycleKind::RuntimeDiagnostic, -1).addNumber("reportBytes", static_cast<double>(size));
    publishLastLifecycle();
    if (page_.open()) sendToUi("{\"type\":\"velmo.runtimeDiagnostics\",\"report\":" + runtimeHealth_ + "}");
}

void VelmoController::sendPresetLoadedToProcessor(const std::string& json) {
    IPtr<IMessage> message = owned(allocateMessage());
    if (!message) return;
    message->setMessageID(kMessagePresetLoaded);
    // An empty text travels as no attribute, which the processor reads the same way: hosts
    // built on the SDK's attribute list leak a zero-byte binary value.
    if (!json.empty())
        message->getAttributes()->setBinary(kPayloadAttribute, json.data(), static_cast<uint32>(json.size()));
    sendMessage(message);
}

}  // namespace velmo
