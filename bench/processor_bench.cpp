// The processor as a host drives it: 512-frame blocks at 48 kHz, notes and automation.
#include <benchmark/benchmark.h>

#include <memory>

#include "processor/velmo_processor.h"
#include "tools/host/host.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

static void processorBlocks(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    auto app = std::make_unique<HostApplication>();  // not reference counted
    auto processor = owned(new velmo::VelmoProcessor);
    processor->initialize(static_cast<IHostApplication*>(app.get()));
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    processor->setBusArrangements(nullptr, 0, &stereo, 1);
    ProcessSetup setup{kRealtime, kSample32, frames, 48000};
    processor->setupProcessing(setup);
    processor->setActive(true);
    velmo::host::ProcessBlock block({2}, frames);
    int64_t rendered = 0;
    int b = 0;
    for (auto _ : state) {
        auto& data = block.begin(frames);
        if (b % 16 == 0) {  // a new strike every 16 blocks, eight at a time ringing
            block.events().add(velmo::host::makeNoteOn(b % frames, static_cast<int16>(48 + b % 36), 0.8f));
        }
        block.params().add(1, frames / 2, (b % 100) / 100.0);
        processor->process(data);
        rendered += frames;
        ++b;
    }
    state.counters["rt_factor"] = benchmark::Counter(static_cast<double>(rendered) / 48000.0,
                                                     benchmark::Counter::kIsRate);
    processor->setActive(false);
    processor->terminate();
}
BENCHMARK(processorBlocks)->Name("processor/blocks_48k")->Arg(64)->Arg(512);
