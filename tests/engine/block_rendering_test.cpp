// Direct rendering at the host rate: chunking, event delivery and order, parameter
// republishing, refusals, flush blocks, output channels, silence and the audio-thread rules.
#include <gtest/gtest.h>

#include <vector>

#include "engine/kernel_engine.h"
#include "fake_kernel.h"
#include "realtime_guard.h"

namespace velmo {
namespace {

using test::acceptedEvents;
using test::FakeEvent;
using test::fakeKernelConfig;
using test::fakeKernelLog;

constexpr uint32_t kParam = 1, kNoteOn = 2, kNoteOff = 3;

class BlockRendering : public testing::Test {
protected:
    void SetUp() override {
        test::resetFakeKernel();
        ASSERT_TRUE(engine.setup(48000.0, 1024));
        render(0 + 1);  // settle the post-setup republish
        test::resetFakeKernel();
    }

    void render(int32_t frames, int32_t channels = 2) {
        buffers.assign(channels, std::vector<float>(frames, 7.0f));
        pointers.clear();
        for (auto& b : buffers) pointers.push_back(b.data());
        engine.processBlock(nullptr, 0, pointers.data(), channels, frames);
    }

    std::vector<velmo_runtime_diagnostic> drained() {
        const uint32_t before = engine.diagnosticRing().count;
        engine.drainRuntimeDiagnostics();
        const velmo_runtime_diagnostic_ring& ring = engine.diagnosticRing();
        return {ring.records + before, ring.records + ring.count};
    }

    KernelEngine engine{test::fakeKernelModule()};
    std::vector<std::vector<float>> buffers;
    std::vector<float*> pointers;
};

TEST_F(BlockRendering, ChunksOf128AndEventsAtTheirOffsets) {
    ASSERT_TRUE(engine.pushNoteOn(60, 0.8, 200, 0, 0));
    render(300);
    EXPECT_EQ(fakeKernelLog().processFrames, (std::vector<uint32_t>{128, 128, 44}));
    const std::vector<FakeEvent> notes = acceptedEvents(kNoteOn);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].call, 1u);
    EXPECT_EQ(notes[0].frame, 72u);
    EXPECT_EQ(notes[0].a, 60u);
    EXPECT_EQ(notes[0].value, 0.8);
    EXPECT_EQ(engine.eventCount(), 0);
}

TEST_F(BlockRendering, EventsAreSortedByFrameAndEqualFramesKeepPushOrder) {
    engine.pushNoteOff(61, 50, 0, 0);
    engine.pushNoteOn(62, 1.0, 10, 0, 0);
    engine.pushParamNormalized(9, 0.25, 10);
    engine.pushNoteOn(63, 0.5, 10, 0, 0);
    engine.pushNoteOff(62, 10, 0, 0);
    render(128);
    const std::vector<FakeEvent>& log = fakeKernelLog().events;
    ASSERT_EQ(log.size(), 5u);
    const uint32_t kinds[] = {kNoteOn, kParam, kNoteOn, kNoteOff, kNoteOff};
    const uint32_t frames[] = {10, 10, 10, 10, 50};
    const uint32_t as[] = {62, 9, 63, 62, 61};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(log[i].kind, kinds[i]) << i;
        EXPECT_EQ(log[i].frame, frames[i]) << i;
        EXPECT_EQ(log[i].a, as[i]) << i;
    }
    EXPECT_EQ(log[3].value, 0.0);  // note-offs carry 0
}

TEST_F(BlockRendering, ParametersArriveAsPlainValuesAndAreRemembered) {
    engine.pushParamNormalized(0, 0.6, 0);   // list of five: rounds to index 2
    engine.pushParamNormalized(9, 0.5, 5);
    EXPECT_FALSE(engine.pushParamNormalized(10, 0.5, 0));
    render(64);
    const std::vector<FakeEvent> params = acceptedEvents(kParam);
    ASSERT_EQ(params.size(), 2u);
    EXPECT_EQ(params[0].a, 0u);
    EXPECT_EQ(params[0].value, 2.0);
    EXPECT_EQ(engine.paramValue(0), 2.0);
    EXPECT_EQ(engine.paramValue(9), params[1].value);
    EXPECT_DOUBLE_EQ(engine.paramNormalized(0), 0.5);
    EXPECT_EQ(engine.paramValue(10), 0.0);
}

TEST_F(BlockRendering, DirtyValuesAreRepublishedOnceExceptThoseSetAtFrameZero) {
    engine.setParamValue(3, 0.3);
    engine.setParamValue(5, 1.5);
    engine.setParamValue(12, 9.0);  // ignored
    engine.pushParamNormalized(3, 1.0, 0);
    render(300);
    const std::vector<FakeEvent> params = acceptedEvents(kParam);
    ASSERT_EQ(params.size(), 2u);
    EXPECT_EQ(params[0].a, 5u);  // republished before the queue's events
    EXPECT_EQ(params[0].value, 1.5);
    EXPECT_EQ(params[0].call, 0u);
    EXPECT_EQ(params[1].a, 3u);  // only the queued value, no republish of 0.3
    EXPECT_NE(params[1].value, 0.3);

    test::resetFakeKernel();
    render(128);
    EXPECT_TRUE(fakeKernelLog().events.empty());  // nothing dirty any more
}

TEST_F(BlockRendering, RefusedParametersAreRetriedAsRepublishes) {
    fakeKernelConfig().refuseParameterPushes = 2;
    engine.pushParamNormalized(7, 1.0, 0);   // refused at frame 0 of chunk 0
    engine.pushParamNormalized(8, 0.0, 10);  // refused too
    render(384);
    const std::vector<FakeEvent>& log = fakeKernelLog().events;
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].status, 2.0);
    EXPECT_EQ(log[1].status, 2.0);
    // Both reach the kernel at the next chunk, in id order, as republishes at frame 0.
    EXPECT_EQ(log[2].a, 7u);
    EXPECT_EQ(log[2].call, 1u);
    EXPECT_EQ(log[2].frame, 0u);
    EXPECT_EQ(log[2].status, 0.0);
    EXPECT_EQ(log[3].a, 8u);
    EXPECT_EQ(log[3].status, 0.0);
    EXPECT_TRUE(drained().empty());  // refused parameters are not diagnostics

    // A refusal in the last chunk is retried in the next block.
    test::resetFakeKernel();
    fakeKernelConfig().refuseParameterPushes = 1;
    engine.pushParamNormalized(2, 0.0, 5);
    render(64);
    render(64);
    ASSERT_EQ(acceptedEvents(kParam).size(), 1u);
    EXPECT_EQ(acceptedEvents(kParam)[0].a, 2u);
    EXPECT_EQ(acceptedEvents(kParam)[0].call, 1u);
}

TEST_F(BlockRendering, ExcessEventsInOneChunkAreRefusedNotesRecordedParametersRetried) {
    fakeKernelConfig().eventsPerCall = 4;
    for (int i = 0; i < 5; ++i) engine.pushNoteOn(60 + i, 1.0, i, 0, 0);
    engine.pushParamNormalized(4, 1.0, 20);
    render(256);
    EXPECT_EQ(acceptedEvents(kNoteOn).size(), 4u);
    const std::vector<FakeEvent> params = acceptedEvents(kParam);
    ASSERT_EQ(params.size(), 1u);
    EXPECT_EQ(params[0].call, 1u);
    const std::vector<velmo_runtime_diagnostic> diags = drained();
    ASSERT_EQ(diags.size(), 1u);
    EXPECT_EQ(diags[0].code, 22u);
    EXPECT_EQ(diags[0].severity, kSeverityError);
    EXPECT_EQ(diags[0].phase, kPhaseProcess);
}

TEST_F(BlockRendering, EventsOutsideTheBlockAreDropped) {
    engine.pushNoteOn(60, 1.0, -1, 0, 0);
    engine.pushNoteOn(61, 1.0, 100, 0, 0);
    engine.pushNoteOn(62, 1.0, 99, 0, 0);
    render(100);
    const std::vector<FakeEvent> notes = acceptedEvents(kNoteOn);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].a, 62u);
    EXPECT_EQ(engine.eventCount(), 0);
}

TEST_F(BlockRendering, AZeroFrameBlockAppliesParametersForTheNextBlock) {
    engine.pushParamNormalized(9, 0.0, 0);
    engine.pushParamNormalized(9, 1.0, 3);
    engine.pushNoteOn(60, 1.0, 0, 0, 0);
    render(0);
    EXPECT_TRUE(fakeKernelLog().events.empty());
    EXPECT_TRUE(fakeKernelLog().processFrames.empty());
    EXPECT_EQ(engine.eventCount(), 0);
    EXPECT_EQ(engine.paramValue(9), VELMO_PARAMS[9].maxValue);
    EXPECT_TRUE(drained().empty());
    render(32);
    const std::vector<FakeEvent> params = acceptedEvents(kParam);
    ASSERT_EQ(params.size(), 1u);
    EXPECT_EQ(params[0].a, 9u);
    EXPECT_EQ(params[0].value, VELMO_PARAMS[9].maxValue);
    EXPECT_TRUE(acceptedEvents(kNoteOn).empty());
}

TEST_F(BlockRendering, QueueLimitsAndControllers) {
    for (int i = 0; i < 2048; ++i) ASSERT_TRUE(engine.pushNoteOff(60, 0, 0, 0));
    EXPECT_FALSE(engine.pushNoteOn(60, 1.0, 0, 0, 0));
    EXPECT_FALSE(engine.pushParamNormalized(1, 0.5, 0));
    engine.flushParameterEvents();
    EXPECT_EQ(engine.eventCount(), 0);

    EXPECT_FALSE(engine.pushController(128, 0, 0, 0, 0));
    EXPECT_FALSE(engine.pushController(1, 128, 0, 0, 0));
    EXPECT_TRUE(engine.pushController(1, 64, 0, 0, 17));
    render(64);
    EXPECT_TRUE(fakeKernelLog().events.empty());  // controllers are not sent
    EXPECT_TRUE(drained().empty());
    EXPECT_EQ(engine.eventInputCount(), 1);
    EXPECT_EQ(engine.eventOutputCount(), 0);
    EXPECT_EQ(engine.eventRouteForInput(3), 0u);
}

TEST_F(BlockRendering, RefusedNotesAreRecordedAndLost) {
    fakeKernelConfig().refuseNotes = true;
    engine.pushNoteOn(60, 1.0, 0, 0, 0);
    engine.pushNoteOff(60, 5, 0, 0);
    render(64);
    const std::vector<velmo_runtime_diagnostic> diags = drained();
    ASSERT_EQ(diags.size(), 2u);
    EXPECT_EQ(diags[0].code, 22u);
    EXPECT_EQ(diags[1].code, 22u);
    test::resetFakeKernel();
    render(64);
    EXPECT_TRUE(fakeKernelLog().events.empty());
}

TEST_F(BlockRendering, FourOutputChannelsGetLeftRightLeftLeft) {
    fakeKernelConfig().render = test::FakeRender::Constant;  // left +a, right -a
    render(200, 4);
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(buffers[0][i], 0.5f);
        ASSERT_EQ(buffers[1][i], -0.5f);
        ASSERT_EQ(buffers[2][i], 0.5f);
        ASSERT_EQ(buffers[3][i], 0.5f);
    }
    EXPECT_FALSE(engine.blockSilent());

    // Null channels are skipped; the others are still written.
    std::vector<float> right(64, 7.0f);
    float* out[2] = {nullptr, right.data()};
    engine.processBlock(nullptr, 0, out, 2, 64);
    EXPECT_EQ(right[63], -0.5f);
}

TEST_F(BlockRendering, SilenceIsDetectedOverTheWholeBlock) {
    render(300);
    EXPECT_TRUE(engine.blockSilent());
    EXPECT_FALSE(engine.blockFailed());
    for (float s : buffers[0]) ASSERT_EQ(s, 0.0f);
    fakeKernelConfig().render = test::FakeRender::ClickOnNote;
    engine.pushNoteOn(60, 1.0, 299, 0, 0);
    render(300);
    EXPECT_FALSE(engine.blockSilent());
    EXPECT_EQ(buffers[1][299], 0.5f);
}

TEST_F(BlockRendering, FailedKernelCallsSilenceTheirChunk) {
    fakeKernelConfig().render = test::FakeRender::Constant;
    fakeKernelConfig().failProcess = true;
    render(300);
    EXPECT_TRUE(engine.blockFailed());
    EXPECT_TRUE(engine.blockSilent());
    for (float s : buffers[0]) ASSERT_EQ(s, 0.0f);
    const std::vector<velmo_runtime_diagnostic> diags = drained();
    ASSERT_EQ(diags.size(), 3u);  // one per chunk
    EXPECT_EQ(diags[0].code, 4u);
    EXPECT_EQ(diags[0].severity, kSeverityError);
    fakeKernelConfig().failProcess = false;
    render(64);
    EXPECT_FALSE(engine.blockFailed());
}

TEST_F(BlockRendering, InvalidCallsClearOutputsAndAreRecorded) {
    engine.pushNoteOn(60, 1.0, 0, 0, 0);
    render(1025);  // more than the largest block
    for (float s : buffers[0]) ASSERT_EQ(s, 0.0f);
    EXPECT_TRUE(engine.blockFailed());
    EXPECT_EQ(engine.eventCount(), 0);
    engine.processBlock(nullptr, 0, nullptr, 2, 64);
    engine.processBlock(nullptr, 0, pointers.data(), 0, 64);
    const std::vector<velmo_runtime_diagnostic> diags = drained();
    ASSERT_EQ(diags.size(), 3u);
    for (const auto& d : diags) EXPECT_EQ(d.code, 4u);
    EXPECT_TRUE(fakeKernelLog().processFrames.empty());
}

TEST_F(BlockRendering, ValuesDifferentFromDefaultsAreRepublishedAfterSetup) {
    engine.pushParamNormalized(6, 0.0, 0);
    render(64);
    const double size = engine.paramValue(6);
    ASSERT_TRUE(engine.setup(48000.0, 1024));  // a new instance starts at its defaults
    test::resetFakeKernel();
    render(64);
    const std::vector<FakeEvent> params = acceptedEvents(kParam);
    ASSERT_EQ(params.size(), 1u);
    EXPECT_EQ(params[0].a, 6u);
    EXPECT_EQ(params[0].value, size);
    EXPECT_EQ(params[0].call, 0u);
}

TEST_F(BlockRendering, VariationIsClamped) {
    EXPECT_EQ(engine.variation(), 16);
    engine.setVariation(25);
    EXPECT_EQ(engine.variation(), 19);
    engine.setVariation(-3);
    EXPECT_EQ(engine.variation(), 0);
}

TEST_F(BlockRendering, ProcessBlockNeitherAllocatesNorLocks) {
    fakeKernelConfig().log = false;
    fakeKernelConfig().render = test::FakeRender::Sine1k;
    std::vector<float> left(1024), right(1024);
    float* out[2] = {left.data(), right.data()};
    engine.setParamValue(2, 0.9);
    velmo::test::RealtimeGuard guard;
    for (int block = 0; block < 8; ++block) {
        engine.pushNoteOn(60 + block, 1.0, block * 100, 0, 0);
        engine.pushParamNormalized(9, 0.1 * block, 700);
        engine.pushController(1, 3, 5, 0, 0);
        engine.pushNoteOff(60 + block, 1000, 0, 0);
        engine.processBlock(nullptr, 0, out, 2, 1024);
    }
    engine.processBlock(nullptr, 0, out, 2, 0);
    EXPECT_EQ(guard.allocations(), 0u);
    EXPECT_EQ(guard.locks(), 0u);
}

}  // namespace
}  // namespace velmo
