// The engine with the product's kernel behind its default entry-point table: bells sound in
// both modes, and the audio path stays free of allocation and locks with the real kernel.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/kernel_engine.h"
#include "realtime_guard.h"

namespace velmo {
namespace {

double createOnly48k(uint32_t maxFrames, uint32_t inputs, uint32_t outputs, double rate) {
    return rate == 48000.0 ? VELMO_KERNEL_ENTRY(create)(maxFrames, inputs, outputs, rate) : 0.0;
}

KernelModule& fixedRateProductKernel() {
    static KernelModule module([] {
        KernelEntryPoints e = productKernelModule().entries();
        e.create = &createOnly48k;
        // Same kernel runtime: initialise it through the product module, only once.
        e.setPanicSink = [](velmo_kernel_panic_sink, void*) {};
        e.runtimeInit = []() -> int64_t {
            productKernelModule().ensureInitialised();
            return 0;
        };
        return e;
    }());
    return module;
}

// Renders a struck chord for `blocks` blocks; returns the peak of the left channel.
float strikeAndRender(KernelEngine& engine, int blocks, int32_t frames, uint64_t* allocations = nullptr,
                      uint64_t* locks = nullptr) {
    std::vector<float> l(frames), r(frames);
    float* out[2] = {l.data(), r.data()};
    float peak = 0.0f;
    test::RealtimeGuard guard;
    for (int b = 0; b < blocks; ++b) {
        if (b == 0) {
            for (int32_t note : {60, 64, 67}) engine.pushNoteOn(note, 0.9, 10, 0, 0);
        }
        engine.pushParamNormalized(7, b % 2 ? 0.2 : 0.8, frames / 2);
        engine.processBlock(nullptr, 0, out, 2, frames);
        for (float s : l) peak = std::max(peak, std::fabs(s));
    }
    if (allocations) *allocations = guard.allocations();
    if (locks) *locks = guard.locks();
    return peak;
}

TEST(ProductKernel, RendersBellsAtTheHostRate) {
    KernelEngine engine;
    ASSERT_TRUE(engine.setup(44100.0, 512));
    EXPECT_FALSE(engine.rateConverted());
    uint64_t allocations = 1, locks = 1;
    const float peak = strikeAndRender(engine, 40, 512, &allocations, &locks);
    EXPECT_GT(peak, 0.01f);
    EXPECT_LT(peak, 4.0f);
    EXPECT_FALSE(engine.blockFailed());
    EXPECT_EQ(allocations, 0u);
    EXPECT_EQ(locks, 0u);
    engine.drainRuntimeDiagnostics();
    EXPECT_EQ(engine.diagnosticRing().count, 0u);
}

TEST(ProductKernel, RendersBellsThroughTheAdapter) {
    KernelEngine engine(fixedRateProductKernel());
    ASSERT_TRUE(engine.setup(44100.0, 512));
    ASSERT_TRUE(engine.rateConverted());
    uint64_t allocations = 1, locks = 1;
    const float peak = strikeAndRender(engine, 40, 512, &allocations, &locks);
    EXPECT_GT(peak, 0.01f);
    EXPECT_FALSE(engine.adapterFailed());
    EXPECT_EQ(allocations, 0u);
    EXPECT_EQ(locks, 0u);
}

TEST(ProductKernel, BothPathsRingWithTheSameEnergy) {
    // One note at 44.1 kHz: the kernel at the host rate, and the kernel at 48 kHz behind the
    // adapter. The bell differs in detail, not in loudness.
    KernelEngine direct;
    KernelEngine converted(fixedRateProductKernel());
    ASSERT_TRUE(direct.setup(44100.0, 441));
    ASSERT_TRUE(converted.setup(44100.0, 441));
    std::vector<float> a(441), b(441), c(441), d(441);
    float* outA[2] = {a.data(), b.data()};
    float* outB[2] = {c.data(), d.data()};
    double energyDirect = 0, energyConverted = 0;
    for (int block = 0; block < 100; ++block) {
        if (block == 0) {
            direct.pushNoteOn(72, 1.0, 0, 0, 0);
            converted.pushNoteOn(72, 1.0, 0, 0, 0);
        }
        direct.processBlock(nullptr, 0, outA, 2, 441);
        converted.processBlock(nullptr, 0, outB, 2, 441);
        for (int i = 0; i < 441; ++i) {
            energyDirect += double(a[i]) * a[i];
            energyConverted += double(c[i]) * c[i];
        }
    }
    ASSERT_GT(energyDirect, 0.0);
    EXPECT_NEAR(10.0 * std::log10(energyConverted / energyDirect), 0.0, 1.0);
}

}  // namespace
}  // namespace velmo
