// process(): what reaches the kernel and when, what the host gets back (output, silence
// flags, result), and how malformed blocks are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "fake_kernel.h"
#include "processor_harness.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using velmo::host::ProcessBlock;
using velmo::host::makeNoteOff;
using velmo::host::makeNoteOn;
using velmo::test::fakeKernel;
using velmo::test::fakeKernelEvents;
using velmo::test::fakeKernelModule;
using velmo::test::ProcessorHarness;
using velmo::test::resetFakeKernel;

namespace {

constexpr uint32_t kParam = 1, kNoteOn = 2, kNoteOff = 3;
constexpr ParamID kLevel = 9;       // master.level, continuous 0-1
constexpr ParamID kPosition = 1;    // strike.position

class FakeKernelProcess : public ::testing::Test {
protected:
    void SetUp() override {
        resetFakeKernel();
        ASSERT_TRUE(h.start(48000, 512));
        fakeKernel().events.clear();
    }
    ProcessorHarness h{fakeKernelModule()};
    ProcessBlock block{{2}, 512};
};

bool allEqual(const float* p, int n, float v) {
    for (int i = 0; i < n; ++i) {
        if (p[i] != v) return false;
    }
    return true;
}

}  // namespace

TEST_F(FakeKernelProcess, NotesReachTheKernelAtTheirFramesAndVelocityZeroIsNoteOff) {
    auto& data = block.begin(300);
    block.events().add(makeNoteOn(10, 60, 0.5f, 3));
    block.events().add(makeNoteOn(200, 64, 0.0f));      // running-status note-off
    block.events().add(makeNoteOff(250, 60, 3, -2));     // negative bus index is bus 0
    Event other{};
    other.type = Event::kPolyPressureEvent;
    block.events().add(other);
    ASSERT_EQ(h.processor->process(data), kResultOk);

    const auto ons = fakeKernelEvents(kNoteOn);
    ASSERT_EQ(ons.size(), 1u);
    EXPECT_EQ(ons[0].a, 60u);
    EXPECT_EQ(ons[0].samplesBefore + ons[0].frame, 10u);
    EXPECT_DOUBLE_EQ(ons[0].value, 0.5);
    const auto offs = fakeKernelEvents(kNoteOff);
    ASSERT_EQ(offs.size(), 2u);
    EXPECT_EQ(offs[0].a, 64u);
    EXPECT_EQ(offs[0].samplesBefore + offs[0].frame, 200u);
    EXPECT_EQ(offs[1].a, 60u);
    EXPECT_EQ(offs[1].samplesBefore + offs[1].frame, 250u);
}

TEST_F(FakeKernelProcess, ParameterPointsArePlainValuesAtTheirOffsetsOthersIgnored) {
    auto& data = block.begin(256);
    block.params().add(kLevel, 0, 0.25);
    block.params().add(kLevel, 130, 0.75);
    block.params().add(0x3F010001, 5, 1.0);  // program change: not a kernel parameter
    block.params().add(10, 5, 1.0);
    ASSERT_EQ(h.processor->process(data), kResultOk);
    const auto params = fakeKernelEvents(kParam);
    ASSERT_EQ(params.size(), 2u);
    EXPECT_EQ(params[0].a, kLevel);
    EXPECT_EQ(params[0].samplesBefore + params[0].frame, 0u);
    EXPECT_DOUBLE_EQ(params[0].value, 0.25);
    EXPECT_EQ(params[1].samplesBefore + params[1].frame, 130u);
    EXPECT_DOUBLE_EQ(params[1].value, 0.75);
    EXPECT_DOUBLE_EQ(h.processor->kernelEngine().paramValue(kLevel), 0.75);
}

TEST_F(FakeKernelProcess, ZeroSampleBlockAppliesValueNowAndDeliversItNextBlock) {
    auto& empty = block.begin(0);
    block.params().add(kPosition, 0, 0.8);
    block.events().add(makeNoteOn(0, 60, 1.0f));
    ASSERT_EQ(h.processor->process(empty), kResultOk);
    EXPECT_DOUBLE_EQ(h.processor->kernelEngine().paramValue(kPosition), 0.8);
    EXPECT_TRUE(fakeKernel().events.empty()) << "nothing reaches the kernel in a 0-sample block";
    EXPECT_EQ(fakeKernel().framesProcessed, 0u);

    auto& next = block.begin(64);
    ASSERT_EQ(h.processor->process(next), kResultOk);
    const auto params = fakeKernelEvents(kParam);
    ASSERT_EQ(params.size(), 1u);
    EXPECT_EQ(params[0].a, kPosition);
    EXPECT_EQ(params[0].frame, 0u);
    EXPECT_DOUBLE_EQ(params[0].value, 0.8);
    EXPECT_TRUE(fakeKernelEvents(kNoteOn).empty()) << "notes of a 0-sample block are dropped";
}

TEST_F(FakeKernelProcess, MalformedBlocksAreRefusedAndRenderNothing) {
    auto& data = block.begin(64, 7.0f);
    block.events().add(makeNoteOn(0, 60, 1.0f));

    float** channels = data.outputs[0].channelBuffers32;
    data.outputs[0].channelBuffers32 = nullptr;
    EXPECT_EQ(h.processor->process(data), kResultFalse);
    data.outputs[0].channelBuffers32 = channels;

    data.outputs[0].numChannels = 0;
    EXPECT_EQ(h.processor->process(data), kResultFalse);
    data.outputs[0].numChannels = 2;

    data.numOutputs = 0;
    EXPECT_EQ(h.processor->process(data), kResultFalse);
    data.numOutputs = 1;

    data.symbolicSampleSize = kSample64;
    EXPECT_EQ(h.processor->process(data), kResultFalse);
    data.symbolicSampleSize = kSample32;

    EXPECT_EQ(fakeKernel().framesProcessed, 0u);
    EXPECT_TRUE(allEqual(block.output(0, 0), 64, 7.0f)) << "nothing written to the host buffers";
    EXPECT_TRUE(fakeKernel().events.empty());

    // The same data, repaired, renders; the three refused blocks' notes were queued each time
    // they were read (the 64-bit block was refused before queuing).
    data.inputEvents = nullptr;
    EXPECT_EQ(h.processor->process(data), kResultOk);
    EXPECT_EQ(fakeKernelEvents(kNoteOn).size(), 3u);
}

TEST_F(FakeKernelProcess, FailedKernelCallReturnsFalseWithSilencedOutput) {
    fakeKernel().level = 0.5f;
    fakeKernel().processStatus = 1;
    auto& data = block.begin(300, 7.0f);
    EXPECT_EQ(h.processor->process(data), kResultFalse);
    EXPECT_TRUE(allEqual(block.output(0, 0), 300, 0.0f));
    EXPECT_TRUE(allEqual(block.output(0, 1), 300, 0.0f));
    EXPECT_EQ(data.outputs[0].silenceFlags, 3u);

    fakeKernel().processStatus = 0;
    auto& again = block.begin(300, 7.0f);
    EXPECT_EQ(h.processor->process(again), kResultOk);
    EXPECT_TRUE(allEqual(block.output(0, 0), 300, 0.5f));
    EXPECT_EQ(again.outputs[0].silenceFlags, 0u);
}

TEST_F(FakeKernelProcess, SilenceFlagsPerChannel) {
    ProcessBlock wide({4}, 512);
    fakeKernel().level = 0.0f;
    auto& silent = wide.begin(128, 7.0f);
    ASSERT_EQ(h.processor->process(silent), kResultOk);
    EXPECT_EQ(silent.outputs[0].silenceFlags, 0xFu);

    fakeKernel().level = 0.25f;
    auto& sounding = wide.begin(128);
    float* nullChannel = sounding.outputs[0].channelBuffers32[3];
    sounding.outputs[0].channelBuffers32[3] = nullptr;
    ASSERT_EQ(h.processor->process(sounding), kResultOk);
    EXPECT_EQ(sounding.outputs[0].silenceFlags, 0x8u) << "only the null channel counts as silent";
    EXPECT_TRUE(allEqual(wide.output(0, 2), 128, 0.25f)) << "extra channels get the left channel";
    sounding.outputs[0].channelBuffers32[3] = nullChannel;
}

TEST_F(FakeKernelProcess, EngineNotReadyStillShapesTheBlock) {
    ASSERT_EQ(h.setup(48000, 20000), kResultFalse);
    auto& data = block.begin(64, 7.0f);
    EXPECT_EQ(h.processor->process(data), kResultFalse) << "the engine marks not-ready blocks failed";
    EXPECT_TRUE(allEqual(block.output(0, 0), 64, 0.0f));
    EXPECT_EQ(data.outputs[0].silenceFlags, 3u);
}

// With the product's kernel: a change at offset k of one block sounds like the same change at
// offset 0 of a block that starts at k. The kernel's rounding depends slightly on where its
// chunks start (about 1e-8 here), so renders are compared to 1e-6; a change one frame late
// is off by orders of magnitude more, from frame k on.
namespace {

// First frame where the renders differ by more than `tolerance`, or -1.
int firstDifference(const std::vector<float>& a, const std::vector<float>& b, float tolerance) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (std::fabs(a[i] - b[i]) > tolerance) return static_cast<int>(i);
    }
    return a.size() == b.size() ? -1 : static_cast<int>(std::min(a.size(), b.size()));
}

std::vector<float> renderWithChange(int total, int split, int changeAt, ParamID id, double value) {
    ProcessorHarness h;
    EXPECT_TRUE(h.start(48000, 512));
    ProcessBlock block({2}, 512);
    std::vector<float> out;
    auto run = [&](int frames, bool noteOn, int changeOffset) {
        auto& data = block.begin(frames);
        if (noteOn) block.events().add(makeNoteOn(0, 72, 1.0f));
        if (changeOffset >= 0) block.params().add(id, changeOffset, value);
        EXPECT_EQ(h.processor->process(data), kResultOk);
        out.insert(out.end(), block.output(0, 0), block.output(0, 0) + frames);
    };
    if (split == 0) {
        run(total, true, changeAt);
    } else {
        run(split, true, -1);
        run(total - split, false, changeAt);
    }
    return out;
}

}  // namespace

TEST(ProcessorSampleAccuracy, ChangeAtOffsetMatchesRenderSplitThere) {
    for (int k : {64, 77, 128, 200, 383}) {
        const auto whole = renderWithChange(400, 0, k, kLevel, 0.1);
        const auto split = renderWithChange(400, k, 0, kLevel, 0.1);
        ASSERT_EQ(whole.size(), split.size());
        EXPECT_EQ(firstDifference(whole, split, 1e-6f), -1) << "change at " << k;
        // A change one frame later must sound different: the comparison can see offsets.
        const auto late = renderWithChange(400, 0, k + 1, kLevel, 0.1);
        EXPECT_EQ(firstDifference(whole, late, 1e-6f), k) << "change at " << k + 1;
    }
}

TEST(ProcessorSilence, SilentBlockThenSoundingBlock) {
    ProcessorHarness h;
    ASSERT_TRUE(h.start());
    ProcessBlock block({2}, 512);
    auto& silent = block.begin(256, 7.0f);
    ASSERT_EQ(h.processor->process(silent), kResultOk);
    EXPECT_EQ(silent.outputs[0].silenceFlags, 3u);
    EXPECT_TRUE(allEqual(block.output(0, 0), 256, 0.0f));

    auto& sounding = block.begin(256);
    block.events().add(makeNoteOn(0, 60, 1.0f));
    ASSERT_EQ(h.processor->process(sounding), kResultOk);
    EXPECT_EQ(sounding.outputs[0].silenceFlags, 0u);
}
