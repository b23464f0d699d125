// The audio thread: a long randomised run of process calls, with the host's transport, the
// page's keys and the controller's polls in between, neither allocates nor locks.
#include <gtest/gtest.h>

#include <random>

#include "diagnostics/audition_note.h"
#include "processor_harness.h"
#include "realtime_guard.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using velmo::host::ProcessBlock;
using velmo::test::ProcessorHarness;

TEST(ProcessorRealtime, RandomBlocksAutomationAndNotesNeverAllocateOrLock) {
#if defined(ZURIZ_SANITIZED) || defined(ZURIZ_TSAN)
    constexpr int kBlocks = 150;
#else
    constexpr int kBlocks = 1500;
#endif
    constexpr int kMaxFrames = 4096;
    ProcessorHarness h;
    ASSERT_TRUE(h.start(48000, kMaxFrames));
    ProcessBlock block({2}, kMaxFrames);
    block.useContext(true);
    block.context().state = ProcessContext::kPlaying | ProcessContext::kTempoValid |
                            ProcessContext::kTimeSigValid | ProcessContext::kProjectTimeMusicValid;
    block.context().tempo = 120;
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> frames(1, kMaxFrames);
    std::uniform_int_distribution<int> count(0, 6);
    std::uniform_int_distribution<int> param(0, 12);  // 10-12: not kernel parameters
    std::uniform_int_distribution<int> pitch(36, 96);
    std::uniform_real_distribution<double> unit(0.0, 1.0);

    uint64_t allocations = 0;
    uint64_t locks = 0;
    int failures = 0;
    for (int b = 0; b < kBlocks; ++b) {
        const int n = b % 50 == 49 ? 0 : frames(rng);  // now and then a 0-sample block
        auto& data = block.begin(n);
        std::uniform_int_distribution<int> offset(0, n > 0 ? n - 1 : 0);
        for (int i = count(rng); i > 0; --i) {
            block.params().add(static_cast<ParamID>(param(rng)), offset(rng), unit(rng));
        }
        for (int i = count(rng); i > 0; --i) {
            const auto p = static_cast<int16>(pitch(rng));
            if (unit(rng) < 0.6) {
                block.events().add(velmo::host::makeNoteOn(offset(rng), p, static_cast<float>(unit(rng))));
            } else {
                block.events().add(velmo::host::makeNoteOff(offset(rng), p));
            }
        }
        // The page's keys and the controller's poll arrive between blocks, on the main thread.
        if (count(rng) < 3) {
            velmo::AuditionNote key;
            key.kind = static_cast<uint8_t>(1 + count(rng) % 3);
            key.note = static_cast<uint8_t>(pitch(rng));
            key.velocity = 0.7f;
            h.processor->notify(velmo::host::makeMessage(
                "velmo.audition", std::string(reinterpret_cast<const char*>(&key), sizeof key)));
        }
        if (b % 10 == 0) h.processor->notify(velmo::host::makeMessage("velmo.diag.transportPoll"));
        block.context().projectTimeSamples += n;
        velmo::test::RealtimeGuard guard;
        if (h.processor->process(data) != kResultOk) ++failures;
        allocations += guard.allocations();
        locks += guard.locks();
    }
    EXPECT_EQ(allocations, 0u);
    EXPECT_EQ(locks, 0u);
    EXPECT_EQ(failures, 0);
    EXPECT_FALSE(h.sent("velmo.diag.transport").empty());
    EXPECT_FALSE(h.sent("velmo.diag.meters").empty());
}
