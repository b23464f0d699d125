// Zuriz.lv2 through our lilv host: the demo's run() calls against the raw kernel playing the
// same score (the LV2 shell's cost as a ratio), and the state document's save and restore.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "lv2/lv2_names.h"
#include "raw_kernel_demo.h"
#include "tools/lv2host/lv2_render.h"

namespace {

using namespace velmo;
using Clock = std::chrono::steady_clock;

constexpr double RATE = 48000.0;
constexpr double TAIL_SECONDS = 4.0;
constexpr int HOST_BLOCK = 512;

// The built bundle on LV2_PATH, then Debian's LV2 vocabulary bundles, read once.
struct Lv2Setup {
    Lv2Setup() {
        namespace fs = std::filesystem;
        fs::create_directories(dir);
        fs::create_directory_symlink(ZURIZ_LV2_BUNDLE_DIR, dir / lv2::kBundleName);
        ::setenv("LV2_PATH", (dir.string() + ":/usr/lib/lv2").c_str(), 1);
        world = std::make_unique<lv2host::Lv2World>();
        plugin = world->plugin(lv2::kPluginUri);
    }
    ~Lv2Setup() { std::filesystem::remove_all(dir); }
    // lilv opens the module again for each instance: the link stays while the program runs.
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("zuriz-bench-lv2-" + std::to_string(::getpid()));
    std::unique_ptr<lv2host::Lv2World> world;
    const LilvPlugin* plugin = nullptr;
};

Lv2Setup& setup() {
    static Lv2Setup s;
    return s;
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Each iteration renders the demo both ways; the time reported is LV2's. kernel_ratio is the
// kernel's time over LV2's (1.0: the shell costs nothing; the VST3 plug-in is held to 0.9).
void demoRunAgainstKernel(benchmark::State& state) {
    Lv2Setup& s = setup();
    if (s.plugin == nullptr) return state.SkipWithError("Zuriz.lv2 not found");
    const render::Score score = render::demoScore();
    std::vector<float> lv2Out, kernelOut;
    double lv2Seconds = 0.0, kernelSeconds = 0.0;
    for (auto _ : state) {
        lv2host::Lv2Instance instance(*s.world, s.plugin, RATE, HOST_BLOCK);
        if (!instance.ok()) return state.SkipWithError("instantiation failed");
        const auto lv2Start = Clock::now();
        lv2host::renderScore(instance, score, RATE, HOST_BLOCK, TAIL_SECONDS, lv2Out);
        const double lv2Time = seconds(Clock::now() - lv2Start);
        benchmark::DoNotOptimize(lv2Out.data());

        bench::RawKernelDemo kernel;
        if (!kernel.create(RATE)) return state.SkipWithError("kernel create failed");
        const auto kernelStart = Clock::now();
        kernel.render(score, TAIL_SECONDS, kernelOut);
        kernelSeconds += seconds(Clock::now() - kernelStart);
        benchmark::DoNotOptimize(kernelOut.data());

        lv2Seconds += lv2Time;
        state.SetIterationTime(lv2Time);
    }
    const double audio = static_cast<double>(lv2Out.size() / 2) / RATE * static_cast<double>(state.iterations());
    state.counters["rt_factor"] = audio / lv2Seconds;
    state.counters["kernel_rt_factor"] = audio / kernelSeconds;
    state.counters["kernel_ratio"] = kernelSeconds / lv2Seconds;
}
BENCHMARK(demoRunAgainstKernel)->Name("lv2/demo_run_vs_raw_kernel")->UseManualTime()->Unit(benchmark::kMillisecond);

void stateSave(benchmark::State& state) {
    Lv2Setup& s = setup();
    if (s.plugin == nullptr) return state.SkipWithError("Zuriz.lv2 not found");
    lv2host::Lv2Instance instance(*s.world, s.plugin, RATE, HOST_BLOCK);
    instance.run(HOST_BLOCK, nullptr, 0);
    for (auto _ : state) {
        std::string document = instance.saveDocument();
        benchmark::DoNotOptimize(document.data());
    }
}
BENCHMARK(stateSave)->Name("lv2/state_save")->Unit(benchmark::kMicrosecond);

void stateRestore(benchmark::State& state) {
    Lv2Setup& s = setup();
    if (s.plugin == nullptr) return state.SkipWithError("Zuriz.lv2 not found");
    lv2host::Lv2Instance instance(*s.world, s.plugin, RATE, HOST_BLOCK);
    instance.run(HOST_BLOCK, nullptr, 0);
    const std::string document = instance.saveDocument();
    for (auto _ : state) {
        if (!instance.restoreDocument(document)) return state.SkipWithError("restore refused");
    }
}
BENCHMARK(stateRestore)->Name("lv2/state_restore")->Unit(benchmark::kMicrosecond);

}  // namespace
