#pragma once
// Conformance tests drive the built Zuriz.vst3 exactly as a host does: through the module
// loader, the factory and the VST3 interfaces only, never the classes themselves.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "platform/run_loop_manual.h"
#include "tools/host/module_loader.h"
#include "tools/host/process_block.h"

namespace velmo::conformance {

// The built bundle (opened once per test program).
host::PluginModule& bundle();

// The program-change parameter and program list of the factory presets.
constexpr Steinberg::Vst::ParamID PROGRAM_PARAM = 0x3F010001;
constexpr int PARAMETER_COUNT = 10;

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Stereo output, the given setup (32-bit realtime unless stated), active and processing.
    bool start(double rate = 48000.0, int maxBlock = 512,
               Steinberg::int32 sampleSize = Steinberg::Vst::kSample32);
    // Stops processing and deactivates, when started.
    void stop();

    // Runs one block of `frames` on `block` (already filled with events and parameters).
    Steinberg::tresult process(host::ProcessBlock& block, int frames);
    // Renders `frames` in blocks of `blockFrames` with a note-on at frame 0, into `out`
    // (interleaved stereo). Returns the number of blocks the processor did not accept.
    int renderNote(int frames, int blockFrames, std::vector<float>& out, int pitch = 60);

    Steinberg::Vst::IComponent* component() const { return plugin->component(); }
    Steinberg::Vst::IAudioProcessor* processor() const { return plugin->processor(); }
    Steinberg::Vst::IEditController* controller() const { return plugin->controller(); }

    // The host's run loop, offered as Linux hosts do; the plug-in's clock moves only when the
    // test advances it.
    std::shared_ptr<ManualRunLoop> hostLoop;
    std::unique_ptr<host::PluginInstance> plugin;
    bool started = false;
    int maxBlockFrames = 0;
};

// The processor's state document, as the host saves it.
std::string componentState(Steinberg::Vst::IComponent* component);

}  // namespace velmo::conformance
