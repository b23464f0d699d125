// Kernel speed through its C entry points at 48 kHz in 128-frame blocks. Counter `rt_factor`:
// audio seconds rendered per CPU second.
//   kernel/full_polyphony            ten Carillon voices sounding for a second (widest SIMD)
//   kernel/full_polyphony_reference  the same with the scalar reference renderer forced
//   kernel/one_voice                 one voice for a second
//   kernel/idle                      no voice for a second
//   kernel/denormal_tail             one heavily damped voice from 3 s to 8 s after its strike,
//                                    where its upper modes have decayed below the normal range
//   kernel/denormal_tail_unflushed   the same tail rendered without flushing denormals, to show
//                                    what the flush saves
//   kernel/full_polyphony_<set>      full polyphony below the C interface with the renderer of
//                                    one instruction set (sse2, avx2, avx512), for each set the
//                                    CPU runs
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "kernel/bells_processor.h"
#include "kernel/fp_guard.h"
#include "kernel/kernel_api.h"
#include "kernel/modal_render.h"
#include "kernel/simd/modal_render_simd.h"

namespace velmo {
namespace {

constexpr double RATE = 48000;
constexpr uint32_t BLOCK = 128;
constexpr int BLOCKS_PER_SECOND = 375;  // 48000 / 128
constexpr uint32_t EVENT_PARAMETER = 1;
constexpr uint32_t EVENT_NOTE_ON = 2;
constexpr uint32_t PARAM_DECAY_SCALE = 4;
constexpr uint32_t PARAM_DAMPING = 5;
constexpr uint32_t PARAM_SIZE = 6;
constexpr uint32_t CHORD[10] = {48, 52, 55, 60, 64, 67, 72, 76, 79, 84};

// One kernel instance for the duration of a benchmark.
class Instance {
public:
    Instance() {
        static const bool initialised = VELMO_KERNEL_ENTRY(runtime_init)() == 0;
        (void)initialised;
        handle_ = uint32_t(VELMO_KERNEL_ENTRY(create)(BLOCK, 0, 2, RATE));
    }
    ~Instance() { VELMO_KERNEL_ENTRY(destroy)(handle_); }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    bool valid() const { return handle_ != 0; }
    void reset() { VELMO_KERNEL_ENTRY(reset)(handle_); }
    void push(uint32_t kind, uint32_t a, double value) {
        VELMO_KERNEL_ENTRY(push_event)(handle_, kind, 0, a, value);
    }
    void strike(int voices) {
        for (int v = 0; v < voices; ++v) push(EVENT_NOTE_ON, CHORD[v], 1.0);
    }
    bool render(int blocks) {
        bool ok = true;
        for (int b = 0; b < blocks; ++b) ok &= VELMO_KERNEL_ENTRY(process)(handle_, BLOCK) == 0;
        return ok;
    }

private:
    uint32_t handle_ = 0;
};

void reportSeconds(benchmark::State& state, double secondsPerIteration) {
    state.counters["rt_factor"] = benchmark::Counter(
        double(state.iterations()) * secondsPerIteration, benchmark::Counter::kIsRate);
}

// `voices` Carillon voices struck together and rendered for one second.
void renderVoicesForASecond(benchmark::State& state, int voices) {
    Instance kernel;
    if (!kernel.valid()) return state.SkipWithError("kernel instance refused");
    for (auto _ : state) {
        kernel.reset();
        kernel.strike(voices);
        if (!kernel.render(BLOCKS_PER_SECOND)) return state.SkipWithError("process failed");
    }
    reportSeconds(state, 1.0);
}

void fullPolyphony(benchmark::State& state) {
    state.SetLabel(simdLevelName(widestSimdLevel()));
    renderVoicesForASecond(state, 10);
}

void fullPolyphonyReference(benchmark::State& state) {
    state.SetLabel("scalar");
    forceScalarModalRender(true);
    renderVoicesForASecond(state, 10);
    forceScalarModalRender(false);
}

void oneVoice(benchmark::State& state) { renderVoicesForASecond(state, 1); }

void idle(benchmark::State& state) { renderVoicesForASecond(state, 0); }

// The strongest damping the instrument accepts: the upper Carillon modes fall below the
// smallest normal float a few seconds in, while the fundamental keeps the voice sounding.
constexpr int TAIL_START_BLOCKS = 3 * BLOCKS_PER_SECOND;
constexpr int TAIL_BLOCKS = 5 * BLOCKS_PER_SECOND;

void denormalTail(benchmark::State& state) {
    Instance kernel;
    if (!kernel.valid()) return state.SkipWithError("kernel instance refused");
    for (auto _ : state) {
        state.PauseTiming();
        kernel.reset();
        kernel.push(EVENT_PARAMETER, PARAM_DECAY_SCALE, 2.5);
        kernel.push(EVENT_PARAMETER, PARAM_DAMPING, 3.0);
        kernel.push(EVENT_PARAMETER, PARAM_SIZE, 0.5);
        kernel.strike(1);
        kernel.render(TAIL_START_BLOCKS);
        state.ResumeTiming();
        if (!kernel.render(TAIL_BLOCKS)) return state.SkipWithError("process failed");
    }
    reportSeconds(state, double(TAIL_BLOCKS) / BLOCKS_PER_SECOND);
}

// The same tail below the C interface, where nothing sets flush-to-zero: the cost the flush
// in `process` avoids.
void denormalTailUnflushed(benchmark::State& state) {
    BellsState* bells = bells::createState();
    if (bells == nullptr || !bells::prepare(*bells, ProcessorConfig{0, BLOCK, 2, RATE}))
        return state.SkipWithError("bells state refused");
    float out[2 * BLOCK];
    const ProcessBlock block{BLOCK, BLOCK, 0, {out, 0}, 0, {out, 2 * BLOCK}, 2};
    for (auto _ : state) {
        state.PauseTiming();
        bells::reset(*bells);
        bells::setParameter(*bells, "ir.decayScale", 2.5);
        bells::setParameter(*bells, "ir.damping", 3.0);
        bells::setParameter(*bells, "ir.size", 0.5);
        bells::handleEvent(*bells, PROCESSOR_EVENT_NOTE_ON, CHORD[0], 1.0);
        for (int b = 0; b < TAIL_START_BLOCKS; ++b) bells::process(*bells, block);
        state.ResumeTiming();
        for (int b = 0; b < TAIL_BLOCKS; ++b) bells::process(*bells, block);
    }
    bells::destroyState(bells);
    reportSeconds(state, double(TAIL_BLOCKS) / BLOCKS_PER_SECOND);
}

// The renderer of one level driven directly, under the same flush as `process`.
void fullPolyphonyLevel(benchmark::State& state, SimdLevel level) {
    const ModalRenderFunction render = modalRendererFor(level);
    BellsState* bells = bells::createState();
    if (bells == nullptr || !bells::prepare(*bells, ProcessorConfig{0, BLOCK, 2, RATE}))
        return state.SkipWithError("bells state refused");
    float left[BLOCK], right[BLOCK];
    for (auto _ : state) {
        ScopedFlushDenormals flush;
        bells::reset(*bells);
        for (uint32_t note : CHORD) bells::handleEvent(*bells, PROCESSOR_EVENT_NOTE_ON, note, 1.0);
        for (int b = 0; b < BLOCKS_PER_SECOND; ++b) render(bells->modal, left, right, BLOCK);
        benchmark::DoNotOptimize(left[0]);
    }
    bells::destroyState(bells);
    reportSeconds(state, 1.0);
}

BENCHMARK(fullPolyphony)->Name("kernel/full_polyphony")->Unit(benchmark::kMillisecond);
BENCHMARK(fullPolyphonyReference)
    ->Name("kernel/full_polyphony_reference")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(oneVoice)->Name("kernel/one_voice")->Unit(benchmark::kMillisecond);
BENCHMARK(idle)->Name("kernel/idle")->Unit(benchmark::kMillisecond);
BENCHMARK(denormalTail)->Name("kernel/denormal_tail")->Unit(benchmark::kMillisecond);
BENCHMARK(denormalTailUnflushed)
    ->Name("kernel/denormal_tail_unflushed")
    ->Unit(benchmark::kMillisecond);
const bool LEVELS_REGISTERED = [] {
    for (SimdLevel level : {SimdLevel::Sse2, SimdLevel::Avx2, SimdLevel::Avx512}) {
        if (!simdLevelAvailable(level)) continue;
        const std::string name = std::string("kernel/full_polyphony_") + simdLevelName(level);
        benchmark::RegisterBenchmark(name.c_str(), fullPolyphonyLevel, level)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
}  // namespace velmo
