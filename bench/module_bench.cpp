// What a host waits for when it opens Zuriz: the module loaded, its factory asked, processor
// and controller created, initialised and connected (module/*); and what saving and
// restoring the processor's state costs (processor/state_*).
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <string>

#include "public.sdk/source/common/memorystream.h"
#include "tools/host/module_loader.h"

namespace {

using namespace velmo;
using namespace Steinberg;

// Each run opens the module afresh and tears everything down untimed. The library stays mapped
// after its first close (it holds unique symbols), so later runs measure the entry, factory
// and both components; the counters first_ms and first_cpu_ms are the process's first, cold,
// load of it (wall clock and this process's CPU time: the machine may be busy with others).
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void loadAndCreate(benchmark::State& state) {
    static double firstMs = -1.0;
    static double firstCpuMs = -1.0;
    std::string error;
    for (auto _ : state) {
        const auto started = std::chrono::steady_clock::now();
        const double startedCpu = cpuMs();
        auto module = host::PluginModule::open(ZURIZ_BUNDLE_DIR, &error);
        if (!module) return state.SkipWithError(error.c_str());
        auto plugin = host::PluginInstance::create(*module, &error, "zuriz-bench");
        if (!plugin) return state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(plugin->controller());
        if (firstMs < 0.0) {
            firstMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
            firstCpuMs = cpuMs() - startedCpu;
        }
        state.PauseTiming();
        plugin.reset();
        module.reset();
        state.ResumeTiming();
    }
    state.counters["first_ms"] = firstMs;
    state.counters["first_cpu_ms"] = firstCpuMs;
}
BENCHMARK(loadAndCreate)->Name("module/load_factory_create_initialise")->Unit(benchmark::kMillisecond);

struct LoadedPlugin {
    std::unique_ptr<host::PluginModule> module;
    std::unique_ptr<host::PluginInstance> plugin;
    bool open(benchmark::State& state) {
        std::string error;
        module = host::PluginModule::open(ZURIZ_BUNDLE_DIR, &error);
        if (module) plugin = host::PluginInstance::create(*module, &error, "zuriz-bench");
        if (!plugin) state.SkipWithError(error.c_str());
        return plugin != nullptr;
    }
    ~LoadedPlugin() {
        plugin.reset();
        module.reset();
    }
};

void stateSave(benchmark::State& state) {
    LoadedPlugin p;
    if (!p.open(state)) return;
    auto stream = owned(new MemoryStream);
    for (auto _ : state) {
        stream->setSize(0);
        stream->seek(0, IBStream::kIBSeekSet, nullptr);
        p.plugin->component()->getState(stream);
        benchmark::DoNotOptimize(stream->getData());
    }
    state.counters["bytes"] = static_cast<double>(stream->getSize());
}
BENCHMARK(stateSave)->Name("processor/state_save")->Unit(benchmark::kMicrosecond);

void stateRestore(benchmark::State& state) {
    LoadedPlugin p;
    if (!p.open(state)) return;
    auto stream = owned(new MemoryStream);
    p.plugin->component()->getState(stream);
    for (auto _ : state) {
        stream->seek(0, IBStream::kIBSeekSet, nullptr);
        if (p.plugin->component()->setState(stream) != kResultOk)
            return state.SkipWithError("setState refused the processor's own state");
    }
}
BENCHMARK(stateRestore)->Name("processor/state_restore")->Unit(benchmark::kMicrosecond);

}  // namespace
