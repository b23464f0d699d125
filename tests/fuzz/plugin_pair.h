#pragma once
// A processor and a controller created directly (no bundle), initialised with the SDK's host
// application and connected to each other as a host connects them. For the fuzz targets that
// feed the pair what a host or a saved project hands it.
#include <cmath>
#include <string>
#include <vector>

#include "controller/velmo_controller.h"
#include "fuzz_check.h"
#include "processor/velmo_processor.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "tools/host/memory_streams.h"

namespace velmo::fuzz {

using host::streamOf;

// The component's saved state; it must save.
inline std::string savedState(Steinberg::Vst::IComponent& component) {
    auto stream = Steinberg::owned(new Steinberg::MemoryStream);
    FUZZ_CHECK(component.getState(stream) == Steinberg::kResultOk);
    return host::streamBytes(*stream);
}

class CheckingHandler : public Steinberg::FObject, public Steinberg::Vst::IComponentHandler {
public:
    Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID) override { return Steinberg::kResultOk; }
    Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID, Steinberg::Vst::ParamValue v) override {
        FUZZ_CHECK(v >= 0.0 && v <= 1.0);
        return Steinberg::kResultOk;
    }
    Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID) override { return Steinberg::kResultOk; }
    Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32) override { return Steinberg::kResultOk; }
    OBJ_METHODS(CheckingHandler, Steinberg::FObject)
    DEFINE_INTERFACES
        DEF_INTERFACE(Steinberg::Vst::IComponentHandler)
    END_DEFINE_INTERFACES(Steinberg::FObject)
    REFCOUNT_METHODS(Steinberg::FObject)
};

struct PluginPair {
    // The SDK's host application counts no references: declared first, destroyed last.
    Steinberg::Vst::HostApplication host;
    Steinberg::IPtr<CheckingHandler> handler = Steinberg::owned(new CheckingHandler);
    Steinberg::IPtr<VelmoProcessor> processor = Steinberg::owned(new VelmoProcessor);
    Steinberg::IPtr<VelmoController> controller = Steinberg::owned(new VelmoController);

    PluginPair() {
        processor->initialize(static_cast<Steinberg::Vst::IHostApplication*>(&host));
        controller->initialize(static_cast<Steinberg::Vst::IHostApplication*>(&host));
        controller->setComponentHandler(handler);
        processor->connect(controller);
        controller->connect(processor);
    }
    ~PluginPair() {
        controller->disconnect(processor);
        processor->disconnect(controller);
        controller->setComponentHandler(nullptr);
        controller->terminate();
        processor->terminate();
    }

    void checkParameters() {
        for (Steinberg::Vst::ParamID id = 0; id < VELMO_PARAM_COUNT; ++id) {
            const double v = controller->getParamNormalized(id);
            FUZZ_CHECK(v >= 0.0 && v <= 1.0);
        }
    }

    // One block through the processor, set up and activated for it: every sample finite.
    void processOneBlock(int frames = 64) {
        Steinberg::Vst::ProcessSetup setup{Steinberg::Vst::kRealtime, Steinberg::Vst::kSample32, frames, 48000.0};
        FUZZ_CHECK(processor->setupProcessing(setup) == Steinberg::kResultOk);
        FUZZ_CHECK(processor->setActive(true) == Steinberg::kResultOk);
        std::vector<float> left(static_cast<std::size_t>(frames), 7.0f);
        std::vector<float> right(static_cast<std::size_t>(frames), 7.0f);
        float* channels[2] = {left.data(), right.data()};
        Steinberg::Vst::AudioBusBuffers out{};
        out.numChannels = 2;
        out.channelBuffers32 = channels;
        Steinberg::Vst::ProcessData data;
        data.processMode = Steinberg::Vst::kRealtime;
        data.symbolicSampleSize = Steinberg::Vst::kSample32;
        data.numSamples = frames;
        data.numOutputs = 1;
        data.outputs = &out;
        processor->process(data);
        for (int i = 0; i < frames; ++i) FUZZ_CHECK(std::isfinite(left[i]) && std::isfinite(right[i]));
        processor->setActive(false);
    }
};

}  // namespace velmo::fuzz
