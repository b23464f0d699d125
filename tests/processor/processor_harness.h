#pragma once
// A processor as a host holds it: created, initialised with a host context, and connected to
// a MessageRecorder standing in for the controller.
#include <memory>
#include <string>

#include "processor/velmo_processor.h"
#include "tools/host/host.h"

namespace velmo::test {

struct ProcessorHarness {
    // Not reference counted (its addRef/release do nothing): owned here.
    std::unique_ptr<Steinberg::Vst::HostApplication> app;
    Steinberg::IPtr<VelmoProcessor> processor;
    Steinberg::IPtr<host::MessageRecorder> controller;
    std::unique_ptr<host::ConnectionLink> link;

    explicit ProcessorHarness(KernelModule& kernel = productKernelModule());
    ~ProcessorHarness();

    Steinberg::tresult setup(double rate, Steinberg::int32 maxBlock,
                             Steinberg::int32 mode = Steinberg::Vst::kRealtime);
    // Stereo arrangement, setup, activation and processing on: true when all succeeded.
    bool start(double rate = 48000, Steinberg::int32 maxBlock = 512);

    // Messages sent to the controller.
    std::vector<host::RecordedMessage> sent(const std::string& id) const {
        return controller->withId(id);
    }
    // Component state as text, and restoring from text.
    std::string saveState();
    Steinberg::tresult loadState(const std::string& text);
};

}  // namespace velmo::test
