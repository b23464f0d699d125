#pragma once
// A controller as a host drives it: a named host application, a component handler that records
// every edit and restart, a recording peer in place of the processor, and a page sink.
#include <string>
#include <vector>

#include "controller/velmo_controller.h"
#include "pluginterfaces/base/ustring.h"
#include "tools/host/host.h"
#include "tools/host/memory_streams.h"
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

// State streams as a host hands them over, and the bytes written back.
using host::streamBytes;
using host::streamOf;

}  // namespace velmo::test
