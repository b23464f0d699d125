#include "tools/host/connection.h"

#include "tools/host/messages.h"

namespace velmo::host {

using namespace Steinberg;
using namespace Steinberg::Vst;

ConnectionProxy::ConnectionProxy(IConnectionPoint* destination) : destination_(destination) {}

tresult PLUGIN_API ConnectionProxy::connect(IConnectionPoint* /*other*/) { return kResultOk; }

tresult PLUGIN_API ConnectionProxy::disconnect(IConnectionPoint* /*other*/) {
    destination_ = nullptr;
    return kResultOk;
}

tresult PLUGIN_API ConnectionProxy::notify(IMessage* message) {
    if (destination_ == nullptr || message == nullptr) {
        return kResultFalse;
    }
    return destination_->notify(message);
}

ConnectionLink::ConnectionLink(IConnectionPoint* a, IConnectionPoint* b) : a_(a), b_(b) {
    if (a_ == nullptr || b_ == nullptr) {
        return;
    }
    toB_ = owned(new ConnectionProxy(b));
    toA_ = owned(new ConnectionProxy(a));
    const bool aOk = a_->connect(toB_) == kResultOk;
    const bool bOk = b_->connect(toA_) == kResultOk;
    connected_ = aOk && bOk;
}

ConnectionLink::~ConnectionLink() { disconnect(); }

void ConnectionLink::disconnect() {
    if (toB_ != nullptr) {
        a_->disconnect(toB_);
        toB_->disconnect(b_);
    }
    if (toA_ != nullptr) {
        b_->disconnect(toA_);
        toA_->disconnect(a_);
    }
    toA_ = nullptr;
    toB_ = nullptr;
    connected_ = false;
}

std::vector<RecordedMessage> MessageRecorder::withId(const std::string& id) const {
    std::vector<RecordedMessage> out;
    for (const auto& m : messages) {
        if (m.id == id) {
            out.push_back(m);
        }
    }
    return out;
}

tresult PLUGIN_API MessageRecorder::connect(IConnectionPoint* other) {
    peer_ = other;
    return kResultOk;
}

tresult PLUGIN_API MessageRecorder::disconnect(IConnectionPoint* /*other*/) {
    peer_ = nullptr;
    return kResultOk;
}

tresult MessageRecorder::send(IMessage* message) {
    return peer_ != nullptr ? peer_->notify(message) : kResultFalse;
}

tresult PLUGIN_API MessageRecorder::notify(IMessage* message) {
    if (message == nullptr) {
        return kResultFalse;
    }
    RecordedMessage m;
    m.id = message->getMessageID() != nullptr ? message->getMessageID() : "";
    m.json = binaryAttribute(message, "json");
    int64 reset = 0;
    if (message->getAttributes() != nullptr &&
        message->getAttributes()->getInt("reset", reset) == kResultOk) {
        m.reset = reset;
    }
    messages.push_back(std::move(m));
    return kResultOk;
}

}  // namespace velmo::host
