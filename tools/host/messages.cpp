#include "tools/host/messages.h"

namespace velmo::host {

using namespace Steinberg;
using namespace Steinberg::Vst;

IPtr<IMessage> makeMessage(const char* id) {
    IPtr<IMessage> message = owned(static_cast<IMessage*>(new HostMessage));
    message->setMessageID(id);
    return message;
}

IPtr<IMessage> makeMessage(const char* id, const std::string& payload, const char* key) {
    IPtr<IMessage> message = makeMessage(id);
    message->getAttributes()->setBinary(key, payload.data(), static_cast<uint32>(payload.size()));
    return message;
}

std::optional<std::string> binaryAttribute(IMessage* message, const char* key) {
    if (message == nullptr || message->getAttributes() == nullptr) {
        return std::nullopt;
    }
    const void* data = nullptr;
    uint32 size = 0;
    if (message->getAttributes()->getBinary(key, data, size) != kResultOk) {
        return std::nullopt;
    }
    if (data == nullptr || size == 0) {
        return std::string();
    }
    return std::string(static_cast<const char*>(data), size);
}

}  // namespace velmo::host
