#include "bundle_fixture.h"

#include "built_bundle.h"

#include <algorithm>
#include <cstdlib>

#include "pluginterfaces/vst/vstspeaker.h"
#include "public.sdk/source/common/memorystream.h"
#include "tools/host/event_list.h"
#include "tools/host/memory_streams.h"

namespace velmo::conformance {

using namespace Steinberg;
using namespace Steinberg::Vst;

host::PluginModule& bundle() { return test::builtBundle(); }

void PluginTest::SetUp() {
    std::string error;
    hostLoop = std::make_shared<ManualRunLoop>();
    host::HostSetup setup;
    setup.runLoop = hostLoop;
    plugin = host::PluginInstance::create(bundle(), setup, &error);
    ASSERT_TRUE(plugin) << error;
    ASSERT_TRUE(plugin->connected());
}

void PluginTest::TearDown() {
    if (plugin) stop();
    plugin.reset();
    hostLoop.reset();
}

bool PluginTest::start(double rate, int maxBlock, int32 sampleSize) {
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    if (processor()->setBusArrangements(nullptr, 0, &stereo, 1) != kResultOk) return false;
    ProcessSetup setup{kRealtime, sampleSize, maxBlock, rate};
    if (processor()->setupProcessing(setup) != kResultOk) return false;
    if (component()->setActive(true) != kResultOk) return false;
    processor()->setProcessing(true);
    started = true;
    maxBlockFrames = maxBlock;
    return true;
}

void PluginTest::stop() {
    if (!started) return;
    processor()->setProcessing(false);
    component()->setActive(false);
    started = false;
}

tresult PluginTest::process(host::ProcessBlock& block, int frames) {
    ProcessData& data = block.data();
    data.numSamples = frames;
    return processor()->process(data);
}

int PluginTest::renderNote(int frames, int blockFrames, std::vector<float>& out, int pitch) {
    host::ProcessBlock block({2}, blockFrames);
    out.assign(static_cast<size_t>(frames) * 2, 0.0f);
    int refused = 0;
    for (int start = 0; start < frames; start += blockFrames) {
        const int n = std::min(blockFrames, frames - start);
        block.begin(n);
        if (start == 0) block.events().add(host::makeNoteOn(0, static_cast<int16>(pitch), 0.9f));
        if (process(block, n) != kResultOk) ++refused;
        for (int f = 0; f < n; ++f) {
            out[2 * size_t(start + f)] = block.output(0, 0)[f];
            out[2 * size_t(start + f) + 1] = block.output(0, 1)[f];
        }
    }
    return refused;
}

std::string componentState(IComponent* component) {
    auto stream = owned(new MemoryStream);
    if (component->getState(stream) != kResultOk) return {};
    return host::streamBytes(*stream);
}

}  // namespace velmo::conformance
