// The demo score through the loaded Zuriz.vst3 (module loader, processor, engine, kernel)
// against the same events pushed straight into the kernel: what the plug-in shell costs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "kernel/kernel_api.h"
#include "tools/host/module_loader.h"
#include "tools/render/demo_score.h"
#include "tools/render/plugin_render.h"

namespace {

using namespace velmo;
using render::ScoreEvent;

constexpr double RATE = 48000.0;
constexpr double TAIL_SECONDS = 4.0;
constexpr std::uint32_t KERNEL_BLOCK = 128;
constexpr int HOST_BLOCK = 512;  // a common host block; the engine renders it in kernel blocks

void reportRealTimeFactor(benchmark::State& state, std::size_t frames) {
    // Audio seconds per CPU second: the counter divides by the measured time.
    state.counters["rt_factor"] =
        benchmark::Counter(double(frames) / RATE, benchmark::Counter::kIsIterationInvariantRate);
}

void demoThroughBundle(benchmark::State& state) {
    std::string error;
    auto module = host::PluginModule::open(ZURIZ_BUNDLE_DIR, &error);
    if (!module) return state.SkipWithError(error.c_str());
    auto plugin = host::PluginInstance::create(*module, &error, "zuriz-bench");
    if (!plugin) return state.SkipWithError(error.c_str());
    const render::Score score = render::demoScore();
    std::vector<float> out;
    for (auto _ : state) {
        state.PauseTiming();
        // A fresh activation per run, so every run starts from silence.
        auto renderer = std::make_unique<render::PluginRenderer>(*plugin);
        if (!renderer->prepare({RATE, HOST_BLOCK, TAIL_SECONDS}, error))
            return state.SkipWithError(error.c_str());
        state.ResumeTiming();
        if (!renderer->render(score, out, error)) return state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(out.data());
        state.PauseTiming();
        renderer.reset();
        state.ResumeTiming();
    }
    reportRealTimeFactor(state, out.size() / 2);
}
BENCHMARK(demoThroughBundle)->Name("plugin/demo_through_bundle")->Unit(benchmark::kMillisecond);

std::uint32_t kernelKind(ScoreEvent::Kind kind) {
    switch (kind) {
        case ScoreEvent::Kind::Parameter: return 1;
        case ScoreEvent::Kind::NoteOn: return 2;
        case ScoreEvent::Kind::NoteOff: return 3;
        case ScoreEvent::Kind::Controller: return 0;
    }
    return 0;
}

void demoRawKernel(benchmark::State& state) {
    static const bool initialised = VELMO_KERNEL_ENTRY(runtime_init)() == 0;
    if (!initialised) return state.SkipWithError("kernel runtime_init failed");
    const render::Score score = render::demoScore();
    const auto totalFrames = static_cast<std::uint64_t>(std::ceil((score.lengthSeconds + TAIL_SECONDS) * RATE));
    std::vector<float> out(totalFrames * 2);
    for (auto _ : state) {
        state.PauseTiming();
        const auto handle = static_cast<std::uint32_t>(VELMO_KERNEL_ENTRY(create)(KERNEL_BLOCK, 0, 2, RATE));
        if (handle == 0) return state.SkipWithError("kernel create failed");
        float* area = nullptr;
        std::uint64_t areaLength = 0;
        VELMO_KERNEL_ENTRY(output_view)(handle, &area, &areaLength);
        state.ResumeTiming();
        std::size_t next = 0;
        for (std::uint64_t start = 0; start < totalFrames; start += KERNEL_BLOCK) {
            const auto frames = static_cast<std::uint32_t>(std::min<std::uint64_t>(KERNEL_BLOCK, totalFrames - start));
            for (; next < score.events.size(); ++next) {
                const ScoreEvent& e = score.events[next];
                const auto at = static_cast<std::uint64_t>(std::llround(e.seconds * RATE));
                if (at >= start + frames) break;
                const auto offset = static_cast<std::uint32_t>(at > start ? at - start : 0);
                VELMO_KERNEL_ENTRY(push_event)(handle, kernelKind(e.kind), offset, e.index, e.value);
            }
            VELMO_KERNEL_ENTRY(process)(handle, frames);
            for (std::uint32_t f = 0; f < frames; ++f) {
                out[(start + f) * 2] = area[f];
                out[(start + f) * 2 + 1] = area[KERNEL_BLOCK + f];
            }
        }
        benchmark::DoNotOptimize(out.data());
        state.PauseTiming();
        VELMO_KERNEL_ENTRY(destroy)(handle);
        state.ResumeTiming();
    }
    reportRealTimeFactor(state, totalFrames);
}
BENCHMARK(demoRawKernel)->Name("plugin/demo_raw_kernel")->Unit(benchmark::kMillisecond);

}  // namespace
