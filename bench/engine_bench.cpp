// KernelEngine speed against the bare kernel. Counter `rt_factor`: audio seconds rendered per
// CPU second. Every case renders the same score: ten voices struck together every 64 host
// blocks (full polyphony throughout), one level change per 512-frame host block.
//   engine/raw_kernel           the score pushed straight into the kernel at 48 kHz
//   engine/direct_48k           the score through KernelEngine at 48 kHz
//   engine/rate_converted_44k1  the score through the adapter at 44.1 kHz, with a kernel that
//                               refuses every rate but 48 kHz
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "engine/kernel_engine.h"
#include "kernel/kernel_api.h"
#include "tests/engine/fixed_rate_kernel.h"

namespace velmo {
namespace {

constexpr int32_t HOST_BLOCK = 512;
constexpr int STRIKE_EVERY = 64;  // host blocks
constexpr uint32_t CHORD[10] = {48, 52, 55, 60, 64, 67, 72, 76, 79, 84};
constexpr uint32_t PARAM_LEVEL = 9;
constexpr uint32_t PARAM_DECAY_SCALE = 4;

double levelFor(int block) { return block % 2 ? 0.7 : 0.8; }

void setRtFactor(benchmark::State& state, double rate) {
    state.counters["rt_factor"] = benchmark::Counter(static_cast<double>(state.iterations()) * HOST_BLOCK / rate,
                                                     benchmark::Counter::kIsRate);
}

void renderThroughEngine(benchmark::State& state, KernelModule& kernel, double rate) {
    KernelEngine engine(kernel);
    if (!engine.setup(rate, HOST_BLOCK)) {
        state.SkipWithError("setup failed");
        return;
    }
    engine.setParamValue(PARAM_DECAY_SCALE, 2.5);
    std::vector<float> left(HOST_BLOCK), right(HOST_BLOCK);
    float* out[2] = {left.data(), right.data()};
    int block = 0;
    for (auto _ : state) {
        if (block % STRIKE_EVERY == 0) {
            for (uint32_t note : CHORD) engine.pushNoteOn(static_cast<int32_t>(note), 1.0, 0, 0, 0);
        }
        engine.pushParamNormalized(PARAM_LEVEL, velmo_param_normalize(VELMO_PARAMS[PARAM_LEVEL], levelFor(block)), 100);
        engine.processBlock(nullptr, 0, out, 2, HOST_BLOCK);
        benchmark::DoNotOptimize(left.data());
        ++block;
    }
    if (engine.blockSilent()) state.SkipWithError("rendered silence");
    setRtFactor(state, rate);
}

void BM_DirectEngine(benchmark::State& state) { renderThroughEngine(state, productKernelModule(), 48000.0); }

void BM_RateConverted(benchmark::State& state) {
    renderThroughEngine(state, test::fixedRateProductKernel(), 44100.0);
}

void BM_RawKernel(benchmark::State& state) {
    KernelModule& kernel = productKernelModule();
    kernel.ensureInitialised();
    const KernelEntryPoints& k = kernel.entries();
    const uint32_t handle = static_cast<uint32_t>(k.create(128, 0, 2, 48000.0));
    if (handle == 0) {
        state.SkipWithError("create failed");
        return;
    }
    float* view = nullptr;
    uint64_t length = 0;
    k.outputView(handle, &view, &length);
    std::vector<float> left(HOST_BLOCK), right(HOST_BLOCK);
    k.pushEvent(handle, 1, 0, PARAM_DECAY_SCALE, 2.5);
    int block = 0;
    for (auto _ : state) {
        if (block % STRIKE_EVERY == 0) {
            for (uint32_t note : CHORD) k.pushEvent(handle, 2, 0, note, 1.0);
        }
        for (int32_t o = 0; o < HOST_BLOCK; o += 128) {
            if (o == 0) k.pushEvent(handle, 1, 100, PARAM_LEVEL, levelFor(block));
            k.process(handle, 128);
            std::copy(view, view + 128, left.data() + o);
            std::copy(view + 128, view + 256, right.data() + o);
        }
        benchmark::DoNotOptimize(left.data());
        ++block;
    }
    k.destroy(handle);
    setRtFactor(state, 48000.0);
}

BENCHMARK(BM_RawKernel)->Name("engine/raw_kernel");
BENCHMARK(BM_DirectEngine)->Name("engine/direct_48k");
BENCHMARK(BM_RateConverted)->Name("engine/rate_converted_44k1");

}  // namespace
}  // namespace velmo
