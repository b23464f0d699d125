#pragma once
// A controller as a host drives it: a named host application, a component handler that records
// every call, a recording peer in place of the processor, and a page sink.
#include <string>
#include <vector>

#include "controller/velmo_controller.h"
#include "pluginterfaces/base/ustring.h"
#include "tools/host/host.h"

namespace velmo::test {

struct HandlerCall {
    enum Kind { Begin, Perform, End, Restart } kind;
    Steinberg::Vst::ParamID id = 0;
    double value = 0.0;
    Steinberg::int32 flags = 0;
};

class RecordingHandler : public Steinberg::FObject, public Steinberg::Vst::IComponentHandler {
public:
    std::vector<HandlerCall> calls;

    Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override {
        calls.push_back({HandlerCall::Begin, id});
        return Steinberg::kResultOk;
    }
    Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                              Steinberg::Vst::ParamValue v) override {
        calls.push_back({HandlerCall::Perform, id, v});
        return Steinberg::kResultOk;
    }
    Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override {
        calls.push_back({HandlerCall::End, id});
        return Steinberg::kResultOk;
    }
    Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override {
        calls.push_back({HandlerCall::Restart, 0, 0.0, flags});
        return Steinberg::kResultOk;
    }
    int restarts(Steinberg::int32 flag) const {
        int n = 0;
        for (const auto& c : calls) n += c.kind == HandlerCall::Restart && (c.flags & flag) != 0;
        return n;
    }

    OBJ_METHODS(RecordingHandler, Steinberg::FObject)
    DEFINE_INTERFACES
        DEF_INTERFACE(Steinberg::Vst::IComponentHandler)
    END_DEFINE_INTERFACES(Steinberg::FObject)
    REFCOUNT_METHODS(Steinberg::FObject)
};

// The SDK's host application does no reference counting: keep it by value, never in an IPtr.
class NamedHostApplication : public Steinberg::Vst::HostApplication {
public:
    explicit NamedHostApplication(std::string name) : name_(std::move(name)) {}
    Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 out) override {
        Steinberg::UString(out, 128).fromAscii(name_.c_str());
        return Steinberg::kResultOk;
    }

private:
    std::string name_;
};

struct ControllerRig {
    NamedHostApplication host;
    Steinberg::IPtr<VelmoController> controller;
    Steinberg::IPtr<RecordingHandler> handler;
    Steinberg::IPtr<host::MessageRecorder> processor;
    std::vector<std::string> page;

    explicit ControllerRig(const char* hostName = "Test Host")
        : host(hostName),
          controller(Steinberg::owned(new VelmoController())),
          handler(Steinberg::owned(new RecordingHandler())),
          processor(Steinberg::owned(new host::MessageRecorder())) {
        controller->initialize(&host);
        controller->setComponentHandler(handler);
        controller->connect(processor);
    }
    ~ControllerRig() {
        controller->disconnect(processor);
        controller->terminate();
    }

    // Installs a page sink that keeps every document, optionally subscribed to feeds.
    void openPage(std::uint32_t feeds = 0) {
        controller->setBridgeSink([this](const std::string& doc) { page.push_back(doc); });
        if (feeds != 0) controller->subscribeDiagnostics(feeds, 30.0);
        page.clear();
        processor->clear();
    }

    std::vector<std::string> pageOfType(const std::string& type) const {
        std::vector<std::string> out;
        const std::string prefix = "{\"type\":\"" + type + "\"";
        for (const auto& d : page)
            if (d.rfind(prefix, 0) == 0) out.push_back(d);
        return out;
    }

    double normalized(Steinberg::Vst::ParamID id) { return controller->getParamNormalized(id); }
};

// A state stream holding `text`, positioned at its start.
inline Steinberg::IPtr<Steinberg::MemoryStream> streamOf(const std::string& text) {
    auto stream = Steinberg::owned(new Steinberg::MemoryStream());
    Steinberg::int32 written = 0;
    if (!text.empty()) stream->write(const_cast<char*>(text.data()),
                                     static_cast<Steinberg::int32>(text.size()), &written);
    stream->seek(0, Steinberg::IBStream::kIBSeekSet, nullptr);
    return stream;
}

inline std::string streamText(Steinberg::MemoryStream& stream) {
    return std::string(stream.getData(), static_cast<std::size_t>(stream.getSize()));
}

}  // namespace velmo::test
