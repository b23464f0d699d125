// The engine with the product's kernel behind its default entry-point table: bells sound in
// both modes, and the audio path stays free of allocation and locks with the real kernel.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/kernel_engine.h"
#include "fixed_rate_kernel.h"
#include "realtime_guard.h"

namespace velmo {
namespace {

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
    KernelEngine engine(test::fixedRateProductKernel());
    ASSERT_TRUE(engine.setup(44100.0, 512));
    ASSERT_TRUE(engine.rateConverted());
    uint64_t allocations = 1, locks = 1;
    const float peak = strikeAndRender(engine, 40, 512, &allocations, &locks);
    EXPECT_GT(peak, 0.01f);
    EXPECT_FALSE(engine.adapterFailed());
    EXPECT_EQ(allocations, 0u);
    EXPECT_EQ(locks, 0u);
}

}  // namespace
}  // namespace velmo
