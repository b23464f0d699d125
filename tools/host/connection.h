#pragma once
// Processor <-> controller messaging as a host wires it: each side is connected to a proxy
// that forwards notify() to the other side, so neither holds the other directly.
//
//   velmo::host::ConnectionLink link(processorCp, controllerCp);   // connects both ways
//   ...                                                            // messages flow
//   link.disconnect();                                             // or on destruction
//
// MessageRecorder is a stand-in peer that keeps a copy of every message it receives and can
// send through the connection it was given.
#include <optional>
#include <string>
#include <vector>

#include "base/source/fobject.h"
#include "pluginterfaces/vst/ivstmessage.h"

namespace velmo::host {

class ConnectionProxy : public Steinberg::FObject, public Steinberg::Vst::IConnectionPoint {
public:
    // Forwards what arrives to `destination` while connected.
    explicit ConnectionProxy(Steinberg::Vst::IConnectionPoint* destination);

    Steinberg::tresult PLUGIN_API connect(Steinberg::Vst::IConnectionPoint* other) override;
    Steinberg::tresult PLUGIN_API disconnect(Steinberg::Vst::IConnectionPoint* other) override;
    Steinberg::tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) override;

    OBJ_METHODS(ConnectionProxy, Steinberg::FObject)
    DEFINE_INTERFACES
        DEF_INTERFACE(Steinberg::Vst::IConnectionPoint)
    END_DEFINE_INTERFACES(Steinberg::FObject)
    REFCOUNT_METHODS(Steinberg::FObject)

private:
    Steinberg::IPtr<Steinberg::Vst::IConnectionPoint> destination_;
};

class ConnectionLink {
public:
    ConnectionLink(Steinberg::Vst::IConnectionPoint* a, Steinberg::Vst::IConnectionPoint* b);
    ~ConnectionLink();
    ConnectionLink(const ConnectionLink&) = delete;
    ConnectionLink& operator=(const ConnectionLink&) = delete;

    // True when both sides accepted the connection.
    bool connected() const { return connected_; }
    void disconnect();

private:
    Steinberg::IPtr<Steinberg::Vst::IConnectionPoint> a_;
    Steinberg::IPtr<Steinberg::Vst::IConnectionPoint> b_;
    Steinberg::IPtr<ConnectionProxy> toB_;
    Steinberg::IPtr<ConnectionProxy> toA_;
    bool connected_ = false;
};

// One received message, copied.
struct RecordedMessage {
    std::string id;
    std::optional<std::string> json;  // the binary attribute "json", when present
    std::optional<Steinberg::int64> reset;  // the integer attribute "reset", when present
};

class MessageRecorder : public Steinberg::FObject, public Steinberg::Vst::IConnectionPoint {
public:
    std::vector<RecordedMessage> messages;

    // Messages with the given ID, in arrival order.
    std::vector<RecordedMessage> withId(const std::string& id) const;
    void clear() { messages.clear(); }
    // Sends to the connected peer; kResultFalse when not connected.
    Steinberg::tresult send(Steinberg::Vst::IMessage* message);

    Steinberg::tresult PLUGIN_API connect(Steinberg::Vst::IConnectionPoint* other) override;
    Steinberg::tresult PLUGIN_API disconnect(Steinberg::Vst::IConnectionPoint* other) override;
    Steinberg::tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) override;

    OBJ_METHODS(MessageRecorder, Steinberg::FObject)
    DEFINE_INTERFACES
        DEF_INTERFACE(Steinberg::Vst::IConnectionPoint)
    END_DEFINE_INTERFACES(Steinberg::FObject)
    REFCOUNT_METHODS(Steinberg::FObject)

private:
    Steinberg::IPtr<Steinberg::Vst::IConnectionPoint> peer_;
};

}  // namespace velmo::host
