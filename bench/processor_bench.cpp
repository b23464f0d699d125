// The processor as a host drives it: 512-frame blocks at 48 kHz, notes and automation.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <thread>

#include "diagnostics/audition_note.h"
#include "instrument/output_peaks.h"
#include "processor/transport_capture.h"
#include "processor/velmo_processor.h"
#include "tools/host/host.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// A processor as a host leaves it before the first block: stereo out, 48 kHz, active.
struct RunningProcessor {
    explicit RunningProcessor(int frames) {
        processor->initialize(static_cast<IHostApplication*>(app.get()));
        SpeakerArrangement stereo = SpeakerArr::kStereo;
        processor->setBusArrangements(nullptr, 0, &stereo, 1);
        ProcessSetup setup{kRealtime, kSample32, frames, 48000};
        processor->setupProcessing(setup);
        processor->setActive(true);
    }
    ~RunningProcessor() {
        processor->setActive(false);
        processor->terminate();
    }
    std::unique_ptr<HostApplication> app = std::make_unique<HostApplication>();  // not reference counted
    IPtr<velmo::VelmoProcessor> processor = owned(new velmo::VelmoProcessor);
};

}  // namespace

static void processorBlocks(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    RunningProcessor running(frames);
    velmo::host::ProcessBlock block({2}, frames);
    int64_t rendered = 0;
    int b = 0;
    for (auto _ : state) {
        auto& data = block.begin(frames);
        if (b % 16 == 0) {  // a new strike every 16 blocks, eight at a time ringing
            block.events().add(velmo::host::makeNoteOn(b % frames, static_cast<int16>(48 + b % 36), 0.8f));
        }
        block.params().add(1, frames / 2, (b % 100) / 100.0);
        running.processor->process(data);
        rendered += frames;
        ++b;
    }
    state.counters["rt_factor"] = benchmark::Counter(static_cast<double>(rendered) / 48000.0,
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(processorBlocks)->Name("processor/blocks_48k")->Arg(64)->Arg(512);

namespace {

void playingContext(ProcessContext& c) {
    c.state = ProcessContext::kPlaying | ProcessContext::kTempoValid | ProcessContext::kTimeSigValid |
              ProcessContext::kProjectTimeMusicValid | ProcessContext::kBarPositionValid;
    c.sampleRate = 48000;
    c.tempo = 120;
    c.timeSigNumerator = 4;
    c.timeSigDenominator = 4;
}

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

// What the output meter and the transport capture add to a block: the whole block as a
// playing host drives it (with a transport context), and, timed within the same loop, the
// same two captures run again on that block's output (repeated, so the clock's own cost does
// not count). capture_pct is their share of the block without them.
static void meterAndTransportShare(benchmark::State& state) {
    constexpr int kRepeats = 32;
    const int frames = static_cast<int>(state.range(0));
    RunningProcessor running(frames);
    velmo::host::ProcessBlock block({2}, frames);
    block.useContext(true);
    playingContext(block.context());
    velmo::OutputPeaks peaks;
    velmo::TransportCapture transport;
    std::chrono::steady_clock::duration inBlock{}, inCapture{};
    uint64_t frame = 0;
    int b = 0;
    for (auto _ : state) {
        auto& data = block.begin(frames);
        if (b % 16 == 0) block.events().add(velmo::host::makeNoteOn(0, static_cast<int16>(48 + b % 36), 0.8f));
        block.context().projectTimeSamples = static_cast<TSamples>(frame);
        const auto t0 = std::chrono::steady_clock::now();
        running.processor->process(data);
        const auto t1 = std::chrono::steady_clock::now();
        for (int r = 0; r < kRepeats; ++r) {
            transport.capture(data.processContext, frame);
            peaks.capture(data.outputs[0].channelBuffers32, data.outputs[0].numChannels, frames,
                          data.outputs[0].silenceFlags != 0);
        }
        const auto t2 = std::chrono::steady_clock::now();
        inBlock += t1 - t0;
        inCapture += (t2 - t1) / kRepeats;
        frame += static_cast<uint64_t>(frames);
        ++b;
    }
    float taken[2];
    benchmark::DoNotOptimize(peaks.take(taken));
    state.counters["block_us"] = seconds(inBlock) * 1e6 / static_cast<double>(state.iterations());
    state.counters["capture_us"] = seconds(inCapture) * 1e6 / static_cast<double>(state.iterations());
    state.counters["capture_pct"] = 100.0 * seconds(inCapture) / seconds(inBlock - inCapture);
}
BENCHMARK(meterAndTransportShare)->Name("processor/meter_and_transport_share_48k")->Arg(64)->Arg(512);

// A key pressed on the editor page, from the message reaching the processor to the end of the
// first block that sounds it, with an audio thread paced as a real-time host paces it. The key
// arrives at a random moment within a block; the expected figure is half a block of waiting
// plus one block of rendering. wait_ms: the inbox's own wait (arrival to its block's start).
static void auditionToSound(benchmark::State& state) {
    constexpr int frames = 512;
    const auto period = std::chrono::nanoseconds(1'000'000'000LL * frames / 48000);
    RunningProcessor running(frames);
    std::mt19937 random(7);
    double waits = 0, blocks = 0;
    for (auto _ : state) {
        running.processor->setActive(false);  // silence from the last strike
        running.processor->setActive(true);
        std::atomic<bool> stop{false};
        std::atomic<int64_t> soundedAt{0};
        std::thread audio([&] {
            velmo::host::ProcessBlock block({2}, frames);
            auto next = std::chrono::steady_clock::now();
            while (!stop.load()) {
                running.processor->process(block.begin(frames));
                const float* left = block.data().outputs[0].channelBuffers32[0];
                if (soundedAt.load() == 0 && std::any_of(left, left + frames, [](float s) { return s != 0.0f; }))
                    soundedAt.store(std::chrono::steady_clock::now().time_since_epoch().count());
                next += period;
                std::this_thread::sleep_until(next);
            }
        });
        std::this_thread::sleep_for(period * 3 + std::chrono::microseconds(random() % 10'667));
        velmo::AuditionNote note;
        note.kind = static_cast<uint8_t>(velmo::AuditionKind::Strike);
        note.note = 72;
        note.velocity = 0.9f;
        const auto sent = std::chrono::steady_clock::now();
        running.processor->notify(velmo::host::makeMessage(
            "velmo.audition", std::string(reinterpret_cast<const char*>(&note), sizeof note)));
        while (soundedAt.load() == 0) std::this_thread::sleep_for(std::chrono::microseconds(100));
        stop = true;
        audio.join();
        const double latency = seconds(std::chrono::steady_clock::duration(soundedAt.load()) - sent.time_since_epoch());
        state.SetIterationTime(latency);
        blocks += latency / seconds(period);
        waits += running.processor->auditionInbox().lastWaitMicros() / 1000.0;
    }
    state.counters["blocks"] = blocks / static_cast<double>(state.iterations());
    state.counters["wait_ms"] = waits / static_cast<double>(state.iterations());
}
BENCHMARK(auditionToSound)->Name("processor/audition_to_sound_48k_512")->UseManualTime()->Iterations(40)
    ->Unit(benchmark::kMillisecond);
