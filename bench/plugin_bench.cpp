// The demo score through the loaded Zuriz.vst3 (module loader, processor, engine, kernel)
// against the same events pushed straight into the kernel: what the plug-in shell costs.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "raw_kernel_demo.h"
#include "tools/host/module_loader.h"
#include "tools/render/demo_score.h"
#include "tools/render/plugin_render.h"

namespace {

using namespace velmo;
using render::ScoreEvent;

constexpr double RATE = 48000.0;
constexpr double TAIL_SECONDS = 4.0;
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

void demoRawKernel(benchmark::State& state) {
    const render::Score score = render::demoScore();
    std::vector<float> out;
    for (auto _ : state) {
        state.PauseTiming();
        bench::RawKernelDemo kernel;
        if (!kernel.create(RATE)) return state.SkipWithError("kernel create failed");
        state.ResumeTiming();
        kernel.render(score, TAIL_SECONDS, out);
        benchmark::DoNotOptimize(out.data());
        state.PauseTiming();
        kernel.destroy();
        state.ResumeTiming();
    }
    reportRealTimeFactor(state, out.size() / 2);
}
BENCHMARK(demoRawKernel)->Name("plugin/demo_raw_kernel")->Unit(benchmark::kMillisecond);

}  // namespace
