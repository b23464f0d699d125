// Two processors in one process, rendering on two threads at once, each sound exactly as it
// does alone.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "processor_harness.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using velmo::host::ProcessBlock;
using velmo::test::ProcessorHarness;

namespace {

#if defined(ZURIZ_SANITIZED) || defined(ZURIZ_TSAN)
constexpr int kBlocks = 40;
#else
constexpr int kBlocks = 300;
#endif

// Renders a fixed score that differs by `seed`; returns the left channel.
std::vector<float> render(ProcessorHarness& h, int seed) {
    ProcessBlock block({2}, 512);
    std::vector<float> out;
    out.reserve(static_cast<size_t>(kBlocks) * 256);
    for (int b = 0; b < kBlocks; ++b) {
        const int n = 128 + (b * 37 + seed * 11) % 384;
        auto& data = block.begin(n);
        if (b % 8 == 0) {
            block.events().add(velmo::host::makeNoteOn(b % n, static_cast<int16>(48 + seed * 7 + b % 24), 0.9f));
        }
        if (b % 5 == 0) block.params().add(static_cast<ParamID>((b + seed) % 10), n / 2, (b % 11) / 10.0);
        EXPECT_EQ(h.processor->process(data), kResultOk);
        out.insert(out.end(), block.output(0, 0), block.output(0, 0) + n);
    }
    return out;
}

}  // namespace

TEST(ProcessorThreads, TwoProcessorsRenderConcurrentlyAsTheyDoAlone) {
    std::vector<float> alone[2];
    for (int i = 0; i < 2; ++i) {
        ProcessorHarness h;
        ASSERT_TRUE(h.start());
        alone[i] = render(h, i);
    }
    ASSERT_NE(alone[0], alone[1]);

    ProcessorHarness a;
    ProcessorHarness b;
    ASSERT_TRUE(a.start());
    ASSERT_TRUE(b.start());
    std::vector<float> together[2];
    std::thread ta([&] { together[0] = render(a, 0); });
    std::thread tb([&] { together[1] = render(b, 1); });
    ta.join();
    tb.join();
    EXPECT_EQ(together[0], alone[0]);
    EXPECT_EQ(together[1], alone[1]);
}
