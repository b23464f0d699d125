#pragma once
// A controller as a host drives it: a named host application, a component handler that records
// every edit and restart, a recording peer in place of the processor, and a page sink.
#include <string>
#include <vector>

#include "controller/velmo_controller.h"
#include "pluginterfaces/base/ustring.h"
#include "tools/host/host.h"
#include "tools/host/module_loader.h"

namespace velmo::test {

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
    Steinberg::IPtr<host::RecordingComponentHandler> handler;
    Steinberg::IPtr<host::MessageRecorder> processor;
    std::vector<std::string> page;

    explicit ControllerRig(const char* hostName = "Test Host")
        : host(hostName),
          controller(Steinberg::owned(new VelmoController())),
          handler(Steinberg::owned(new host::RecordingComponentHandler())),
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

    // Restart requests that carry `flag`.
    int restarts(Steinberg::int32 flag) const {
        int n = 0;
        for (Steinberg::int32 flags : handler->restarts()) n += (flags & flag) != 0;
        return n;
    }
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
