// Processing as validators drive it: state transitions, silence flags, parameter flushes
// with no samples, every block size at every common rate, sample-accurate automation, and an
// audio path that neither allocates nor locks.
#include <cmath>

#include "bundle_fixture.h"
#include "public.sdk/source/common/memorystream.h"
#include "realtime_guard.h"
#include "tools/host/event_list.h"

namespace velmo::conformance {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr ParamID LEVEL = 9;

class Processing : public PluginTest {};

bool allFinite(const std::vector<float>& v) {
    for (float x : v)
        if (!std::isfinite(x)) return false;
    return true;
}

double peak(const std::vector<float>& v) {
    double p = 0.0;
    for (float x : v) p = std::max(p, double(std::fabs(x)));
    return p;
}

TEST_F(Processing, RepeatedSetupActivateProcessCycles) {
    const double rates[] = {44100.0, 48000.0, 96000.0};
    for (double rate : rates) {
        ASSERT_TRUE(start(rate, 1024)) << rate;
        std::vector<float> out;
        EXPECT_EQ(renderNote(8192, 1024, out), 0);
        EXPECT_TRUE(allFinite(out));
        EXPECT_GT(peak(out), 1e-3) << rate;
        stop();
    }
    // Activation without processing in between, twice.
    ASSERT_TRUE(start());
    EXPECT_EQ(component()->setActive(false), kResultOk);
    EXPECT_EQ(component()->setActive(true), kResultOk);
    EXPECT_EQ(component()->setActive(true), kResultOk);
}

TEST_F(Processing, SilenceFlagsFollowTheOutput) {
    ASSERT_TRUE(start());
    host::ProcessBlock block({2}, 512);
    block.begin(512);
    ASSERT_EQ(process(block, 512), kResultOk);
    EXPECT_EQ(block.outputBus(0).silenceFlags, 3u) << "no note: both channels silent";

    block.begin(512);
    block.outputBus(0).silenceFlags = 3;
    block.events().add(host::makeNoteOn(0, 67, 1.0f));
    ASSERT_EQ(process(block, 512), kResultOk);
    EXPECT_EQ(block.outputBus(0).silenceFlags, 0u) << "a note clears the flags";
}

TEST_F(Processing, ZeroSampleBlocksFlushParametersWithAndWithoutBuffers) {
    ASSERT_TRUE(start());
    host::ProcessBlock block({2}, 512);

    // Level 0 flushed with buffers present: the next note is inaudible.
    block.begin(0);
    block.params().add(LEVEL, 0, 0.0);
    EXPECT_EQ(process(block, 0), kResultOk);
    std::vector<float> out;
    EXPECT_EQ(renderNote(4096, 512, out), 0);
    EXPECT_EQ(peak(out), 0.0);

    // Level 1 flushed with no buffers at all: the next note sounds.
    block.begin(0);
    block.params().add(LEVEL, 0, 1.0);
    ProcessData& data = block.data();
    ProcessData bare = data;
    bare.numOutputs = 0;
    bare.outputs = nullptr;
    bare.numInputs = 0;
    bare.inputs = nullptr;
    bare.numSamples = 0;
    EXPECT_EQ(processor()->process(bare), kResultOk);
    EXPECT_EQ(renderNote(4096, 512, out), 0);
    EXPECT_GT(peak(out), 1e-3);
}

TEST_F(Processing, EveryBlockSizeAtEveryRate) {
    const double rates[] = {22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0};
    const int sizes[] = {1, 2, 3, 5, 31, 64, 127, 128, 129, 500, 1024, 4096, 16384};
    for (double rate : rates) {
        ASSERT_TRUE(start(rate, 16384)) << rate;
        host::ProcessBlock block({2}, 16384);
        double loudest = 0.0;
        int pitch = 48;
        for (int frames : sizes) {
            block.begin(frames, std::nanf(""));  // a fill the plug-in must overwrite
            block.events().add(host::makeNoteOn(frames / 2, static_cast<int16>(pitch++), 0.8f));
            ASSERT_EQ(process(block, frames), kResultOk) << rate << " Hz, " << frames << " frames";
            for (int c = 0; c < 2; ++c)
                for (int f = 0; f < frames; ++f) {
                    const float v = block.output(0, c)[f];
                    ASSERT_TRUE(std::isfinite(v)) << rate << " Hz, " << frames << " frames: " << v << " at " << f;
                    loudest = std::max(loudest, double(std::fabs(v)));
                }
        }
        EXPECT_GT(loudest, 1e-3) << rate;
        stop();
    }
}

// Renders one note while the level alternates every 100 samples, the changes carried in
// blocks of `blockFrames` at their own offsets (or, when `atBlockStart`, all at offset 0).
std::vector<float> renderAutomated(IAudioProcessor* processor, host::ProcessBlock& block,
                                   int blockFrames, bool atBlockStart) {
    constexpr int FRAMES = 4800;
    std::vector<float> out(FRAMES * 2);
    for (int start = 0; start < FRAMES; start += blockFrames) {
        const int n = std::min(blockFrames, FRAMES - start);
        block.begin(n);
        if (start == 0) block.events().add(host::makeNoteOn(0, 72, 1.0f));
        for (int change = (start + 99) / 100 * 100; change < start + n; change += 100)
            block.params().add(LEVEL, atBlockStart ? 0 : change - start, (change / 100) % 2 ? 0.3 : 0.9);
        EXPECT_EQ(block.data().numSamples, n);
        EXPECT_EQ(processor->process(block.data()), kResultOk);
        for (int f = 0; f < n; ++f) {
            out[2 * size_t(start + f)] = block.output(0, 0)[f];
            out[2 * size_t(start + f) + 1] = block.output(0, 1)[f];
        }
    }
    return out;
}

TEST_F(Processing, ParameterChangesEveryHundredSamplesLandOnTheirSample) {
    host::ProcessBlock block({2}, 4096);
    auto fresh = [&] {
        stop();
        ASSERT_TRUE(start(48000.0, 4096));
    };
    fresh();
    const std::vector<float> reference = renderAutomated(processor(), block, 100, false);
    fresh();
    const std::vector<float> inLongBlocks = renderAutomated(processor(), block, 4096, false);
    fresh();
    const std::vector<float> oddBlocks = renderAutomated(processor(), block, 77, false);
    fresh();
    const std::vector<float> coarse = renderAutomated(processor(), block, 4096, true);

    ASSERT_GT(peak(reference), 1e-3);
    double worstLong = 0.0, worstOdd = 0.0, coarseDiff = 0.0;
    for (size_t i = 0; i < reference.size(); ++i) {
        worstLong = std::max(worstLong, double(std::fabs(reference[i] - inLongBlocks[i])));
        worstOdd = std::max(worstOdd, double(std::fabs(reference[i] - oddBlocks[i])));
        coarseDiff = std::max(coarseDiff, double(std::fabs(reference[i] - coarse[i])));
    }
    EXPECT_LT(worstLong, 1e-6);
    EXPECT_LT(worstOdd, 1e-6);
    EXPECT_GT(coarseDiff, 1e-3) << "the comparison must be able to see a misplaced change";
}

TEST_F(Processing, AudioPathNeitherAllocatesNorLocks) {
    // The guard sees inside the loaded module: a state write there allocates. (Under the
    // sanitizers their runtime serves the module's allocations, unseen.)
    if (test::countsCAllocations()) {
        auto stream = owned(new MemoryStream);
        test::RealtimeGuard guard;
        controller()->getState(stream);
        EXPECT_GT(guard.allocations(), 0u);
    }
    ASSERT_TRUE(start(48000.0, 512));
    host::ProcessBlock block({2}, 512);
    std::uint64_t allocations = 0, locks = 0;
    for (int i = 0; i < 200; ++i) {
        block.begin(512);
        if (i % 10 == 0) block.events().add(host::makeNoteOn(i % 512, static_cast<int16>(40 + i % 40), 0.7f));
        if (i % 10 == 5) block.events().add(host::makeNoteOff(3, static_cast<int16>(40 + (i - 5) % 40)));
        block.params().add(static_cast<ParamID>(i % 10), i % 512, (i % 7) / 7.0);
        test::RealtimeGuard guard;
        ASSERT_EQ(process(block, 512), kResultOk);
        allocations += guard.allocations();
        locks += guard.locks();
    }
    EXPECT_EQ(allocations, 0u);
    EXPECT_EQ(locks, 0u);
}

}  // namespace
}  // namespace velmo::conformance
