// Messages between the processor and the controller with whatever attributes: each input is a
// sequence of messages, each sent to one side of a connected pair. Known IDs are likely, and
// payloads of exactly the host-facts and transport record sizes (and one byte off) are easy to
// reach, so the record handling is exercised along with missing and mistyped attributes.
// A page is open and subscribed to the transport and lifecycle feeds, and greets the controller
// at the end, so what the records carry is also written into page documents. Whatever arrives,
// parameters stay in 0..1, every page document is a typed object, and both sides still save a
// state the other accepts.
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "diagnostics/host_facts.h"
#include "diagnostics/message_ids.h"
#include "diagnostics/transport_fact.h"
#include "plugin_pair.h"

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::string bytes(std::size_t n) {
        std::string out;
        for (std::size_t i = 0; i < n; ++i) out += static_cast<char>(byte());
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

const char* const kIds[] = {
    velmo::kMessageRuntimeDiagnostics, velmo::kMessageHostFacts,  velmo::kMessageTransport,
    velmo::kMessageLifecycle,          velmo::kMessageSignal,     velmo::kMessageTransportPoll,
    velmo::kMessageAudition,           velmo::kMessageMeters,
    velmo::kMessageFeedDrain,          velmo::kMessagePresetLoaded, velmo::kMessageResetCounters,
    velmo::kMessagePadOverrides,       velmo::kMessageStageResourceSlot, velmo::kMessageCcMap,
    velmo::kMessageLoadRuntimeBank,    velmo::kMessageRuntimeBankResult,
};
constexpr std::size_t kIdCount = sizeof kIds / sizeof kIds[0];

// A payload length: mostly small, often a record's size or one byte off it.
std::size_t payloadLength(Input& in) {
    const std::uint8_t selector = in.byte();
    const std::size_t records[] = {sizeof(velmo::HostFacts), sizeof(velmo::TransportFact)};
    switch (selector >> 6) {
        case 0: return selector & 0x3F;
        case 1: return records[selector & 1] + ((selector >> 1) & 1);
        case 2: return records[selector & 1] - ((selector >> 1) & 1);
        default: return (static_cast<std::size_t>(selector & 0x3F) << 8) | in.byte();
    }
}

// A message and attribute list of our own: the SDK's host attribute list leaks an empty binary
// value, and an empty payload is one of the things to send.
class Attributes : public FObject, public IAttributeList {
public:
    tresult PLUGIN_API setInt(AttrID id, int64 value) override { return set(id, {Kind::Int, value, 0.0, {}}); }
    tresult PLUGIN_API getInt(AttrID id, int64& value) override {
        const Value* v = find(id, Kind::Int);
        if (v == nullptr) return kResultFalse;
        value = v->integer;
        return kResultOk;
    }
    tresult PLUGIN_API setFloat(AttrID id, double value) override { return set(id, {Kind::Float, 0, value, {}}); }
    tresult PLUGIN_API getFloat(AttrID id, double& value) override {
        const Value* v = find(id, Kind::Float);
        if (v == nullptr) return kResultFalse;
        value = v->real;
        return kResultOk;
    }
    tresult PLUGIN_API setString(AttrID id, const TChar* string) override {
        std::string bytes;
        for (; string != nullptr && *string != 0; ++string)
            bytes.append(reinterpret_cast<const char*>(string), sizeof(TChar));
        return set(id, {Kind::String, 0, 0.0, bytes});
    }
    tresult PLUGIN_API getString(AttrID id, TChar* string, uint32 sizeInBytes) override {
        const Value* v = find(id, Kind::String);
        if (v == nullptr || string == nullptr || sizeInBytes < sizeof(TChar)) return kResultFalse;
        const std::size_t n = std::min<std::size_t>(v->bytes.size(), sizeInBytes - sizeof(TChar));
        std::memcpy(string, v->bytes.data(), n - n % sizeof(TChar));
        string[n / sizeof(TChar)] = 0;
        return kResultOk;
    }
    tresult PLUGIN_API setBinary(AttrID id, const void* data, uint32 size) override {
        return set(id, {Kind::Binary, 0, 0.0, std::string(static_cast<const char*>(data), size)});
    }
    // Binary values are handed out from exact-size copies, so a read past one is caught.
    tresult PLUGIN_API getBinary(AttrID id, const void*& data, uint32& size) override {
        const Value* v = find(id, Kind::Binary);
        if (v == nullptr) return kResultFalse;
        exposed_.emplace_back(new char[v->bytes.size()]);  // new char[0] too: a pointer not to read
        std::memcpy(exposed_.back().get(), v->bytes.data(), v->bytes.size());
        data = exposed_.back().get();
        size = static_cast<uint32>(v->bytes.size());
        return kResultOk;
    }
    OBJ_METHODS(Attributes, FObject)
    DEFINE_INTERFACES
        DEF_INTERFACE(IAttributeList)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)

private:
    enum class Kind { Int, Float, String, Binary };
    struct Value {
        Kind kind;
        int64 integer;
        double real;
        std::string bytes;
    };
    tresult set(AttrID id, Value value) {
        if (id == nullptr) return kInvalidArgument;
        values_[id] = std::move(value);
        return kResultOk;
    }
    const Value* find(AttrID id, Kind kind) const {
        if (id == nullptr) return nullptr;
        const auto it = values_.find(id);
        return it != values_.end() && it->second.kind == kind ? &it->second : nullptr;
    }
    std::map<std::string, Value> values_;
    std::vector<std::unique_ptr<char[]>> exposed_;
};

class Message : public FObject, public IMessage {
public:
    FIDString PLUGIN_API getMessageID() override { return hasId_ ? id_.c_str() : nullptr; }
    void PLUGIN_API setMessageID(FIDString id) override {
        hasId_ = id != nullptr;
        id_ = id != nullptr ? id : "";
    }
    IAttributeList* PLUGIN_API getAttributes() override { return attributes_; }
    OBJ_METHODS(Message, FObject)
    DEFINE_INTERFACES
        DEF_INTERFACE(IMessage)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)

private:
    std::string id_;
    bool hasId_ = false;
    IPtr<Attributes> attributes_ = owned(new Attributes);
};

IPtr<IMessage> messageFrom(Input& in) {
    auto message = owned(static_cast<IMessage*>(new Message));
    const std::uint8_t idChoice = in.byte();
    const std::string ownId = idChoice >= kIdCount ? in.bytes(idChoice % 8) : std::string();
    if (idChoice != 0xFF) message->setMessageID(idChoice < kIdCount ? kIds[idChoice] : ownId.c_str());
    IAttributeList* attributes = message->getAttributes();
    const int count = in.byte() % 4;
    for (int a = 0; a < count && attributes != nullptr; ++a) {
        const std::uint8_t keyChoice = in.byte();
        const char* key = keyChoice % 3 == 0 ? velmo::kPayloadAttribute : keyChoice % 3 == 1 ? "reset" : "other";
        const std::size_t length = payloadLength(in);
        std::string payload = in.bytes(length);
        switch (keyChoice >> 6) {
            case 0:
            case 1: attributes->setBinary(key, payload.data(), static_cast<uint32>(payload.size())); break;
            case 2: {
                std::int64_t v = 0;
                for (std::size_t i = 0; i < payload.size() && i < 8; ++i)
                    v |= static_cast<std::int64_t>(static_cast<std::uint8_t>(payload[i])) << (8 * i);
                attributes->setInt(key, v);
                break;
            }
            default: {
                std::vector<TChar> text(payload.begin(), payload.end());
                text.push_back(0);
                attributes->setString(key, text.data());
                break;
            }
        }
    }
    return message;
}


}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 16) return 0;
    velmo::fuzz::PluginPair pair;
    pair.controller->setBridgeSink([](const std::string& doc) {
        FUZZ_CHECK(doc.rfind("{\"type\":\"velmo.", 0) == 0 && doc.back() == '}');
    });
    pair.controller->onEditorOpened();
    const std::string subscribe = R"({"type":"velmo.diag.subscribe","feeds":["transport","lifecycle"],"hz":30})";
    pair.controller->handleBridgeMessage(subscribe.data(), subscribe.size());
    Input in(data, size);
    for (int sent = 0; !in.empty() && sent < 64; ++sent) {
        const bool toController = (in.byte() & 1) != 0;
        IPtr<IMessage> message = messageFrom(in);
        if (toController)
            pair.controller->notify(message);
        else
            pair.processor->notify(message);
        pair.checkParameters();
    }
    pair.controller->tickCadence();
    const std::string ready = R"({"type":"velmo.ready"})";
    pair.controller->handleBridgeMessage(ready.data(), ready.size());

    // The processor's state still restores, into both sides.
    const std::string saved = velmo::fuzz::savedState(*pair.processor);
    FUZZ_CHECK(pair.controller->setComponentState(velmo::fuzz::streamOf(saved.data(), saved.size())) == kResultOk);
    FUZZ_CHECK(pair.processor->setState(velmo::fuzz::streamOf(saved.data(), saved.size())) == kResultOk);
    return 0;
}
