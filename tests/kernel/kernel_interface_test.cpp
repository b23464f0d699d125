// The C interface: handles and generations, statuses, the event queue and its ordering.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "kernel/kernel_instances.h"
#include "kernel_test_support.h"

namespace velmo {
namespace {

using test::createInstance;

class KernelInterface : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(KERNEL(runtime_init)(), 0); }
    double push(uint32_t h, uint32_t kind, uint32_t frame, uint32_t a, double value) {
        return KERNEL(push_event)(h, kind, frame, a, value);
    }
};

TEST_F(KernelInterface, HandlesCarrySlotAndGeneration) {
    EXPECT_EQ(KERNEL(abi_version)(), 2);
    EXPECT_EQ(createInstance(), 1u);
    EXPECT_EQ(createInstance(), 2u);
    EXPECT_EQ(KERNEL(destroy)(1), 0);
    EXPECT_EQ(createInstance(), 33u);  // slot 0, generation 2
    EXPECT_EQ(KERNEL(destroy)(33), 0);
    EXPECT_EQ(KERNEL(destroy)(2), 0);
    EXPECT_EQ(createInstance(), 65u);
}

TEST_F(KernelInterface, StaleHandleIsRefusedEverywhere) {
    ASSERT_EQ(createInstance(), 1u);
    ASSERT_EQ(KERNEL(destroy)(1), 0);
    ASSERT_EQ(createInstance(), 33u);
    for (uint32_t stale : {0u, 1u, 2u, 65u, 0xFFFFFFFFu}) {
        EXPECT_EQ(push(stale, 2, 0, 60, 1), 1) << stale;
        EXPECT_EQ(KERNEL(process)(stale, 128), 1) << stale;
        EXPECT_EQ(KERNEL(reset)(stale), 1) << stale;
        EXPECT_EQ(KERNEL(destroy)(stale), 1) << stale;
        float* data = nullptr;
        uint64_t length = 99;
        KERNEL(output_view)(stale, &data, &length);
        EXPECT_NE(data, nullptr);
        EXPECT_EQ(length, 0u);
    }
    EXPECT_EQ(KERNEL(process)(33, 128), 0);
}

TEST_F(KernelInterface, RuntimeInitDiscardsEveryInstance) {
    ASSERT_EQ(createInstance(), 1u);
    ASSERT_EQ(KERNEL(runtime_init)(), 0);
    EXPECT_EQ(KERNEL(process)(1, 128), 1);
    EXPECT_EQ(createInstance(), 1u);  // generations start again
}

TEST_F(KernelInterface, CreateRefusesWhatTheInstrumentCannotRun) {
    EXPECT_EQ(KERNEL(create)(64, 0, 2, 48000), 0);
    EXPECT_EQ(KERNEL(create)(0, 0, 2, 48000), 0);
    EXPECT_EQ(KERNEL(create)(129, 0, 2, 48000), 0);
    EXPECT_EQ(KERNEL(create)(128, 1, 2, 48000), 0);
    EXPECT_EQ(KERNEL(create)(128, 0, 1, 48000), 0);
    EXPECT_EQ(KERNEL(create)(128, 0, 2, 0), 0);
    EXPECT_EQ(KERNEL(create)(128, 0, 2, -48000), 0);
    EXPECT_EQ(KERNEL(create)(128, 0, 2, std::nan("")), 0);
    EXPECT_EQ(KERNEL(create)(128, 0, 2, INFINITY), 0);
    EXPECT_EQ(KERNEL(create)(128, 0, 2, 1e300), 0);   // infinite once held as float
    EXPECT_EQ(KERNEL(create)(128, 0, 2, 1e-300), 0);  // zero once held as float
    // The three refusals that got past the argument checks (64 frames, and rates that are
    // not usable at single precision) each advanced slot 0's generation.
    EXPECT_EQ(createInstance(8000), 97u);
    for (uint32_t i = 1; i < MAX_INSTANCES; ++i) EXPECT_NE(createInstance(), 0u);
    EXPECT_EQ(createInstance(), 0u);  // a 33rd live instance
}

TEST_F(KernelInterface, GenerationsWrapBeforeHandlesOverflow) {
    kernelSetSlotGeneration(0, 134217727);  // slot 0's largest handle is 0xFFFFFFE1
    EXPECT_EQ(createInstance(), 0xFFFFFFE1u);
    EXPECT_EQ(KERNEL(destroy)(0xFFFFFFE1u), 0);
    EXPECT_EQ(createInstance(), 1u);
}

TEST_F(KernelInterface, ViewsPointIntoTheSharedOutputAndTheEmptyArea) {
    const uint32_t a = createInstance();
    const uint32_t b = createInstance();
    float* first = nullptr;
    float* second = nullptr;
    uint64_t length = 0;
    KERNEL(output_view)(a, &first, &length);
    EXPECT_EQ(length, 256u);
    KERNEL(output_view)(b, &second, &length);
    EXPECT_EQ(second - first, 256);
    float* input = nullptr;
    KERNEL(input_view)(a, &input, &length);
    EXPECT_NE(input, nullptr);
    EXPECT_EQ(length, 0u);
    KERNEL(collect)();
}

TEST_F(KernelInterface, PushEventStatusesInTheirOrder) {
    const uint32_t h = createInstance();
    EXPECT_EQ(push(h, 2, 127, 60, 1), 0);
    EXPECT_EQ(push(h, 2, 128, 60, 1), 1);
    EXPECT_EQ(push(h, 9, 128, 60, 1), 1);  // the frame is checked before the kind
    EXPECT_EQ(push(h, 0, 127, 0, 0), 2);
    EXPECT_EQ(push(h, 5, 127, 0, 0), 2);
    EXPECT_EQ(push(h, 1, 127, 10, 0.5), 2);
    EXPECT_EQ(push(h, 2, 127, 128, 1), 2);
    EXPECT_EQ(push(h, 2, 127, 60, 1.5), 2);
    EXPECT_EQ(push(h, 2, 127, 60, -0.1), 2);
    EXPECT_EQ(push(h, 2, 127, 60, std::nan("")), 2);
    EXPECT_EQ(push(h, 3, 127, 60, 0.5), 2);
    EXPECT_EQ(push(h, 4, 127, 1, 1.5), 2);
    EXPECT_EQ(push(h, 4, 127, 128, 0.5), 2);
    EXPECT_EQ(push(h, 1, 127, 4, INFINITY), 3);
    EXPECT_EQ(push(h, 1, 127, 4, std::nan("")), 3);
    EXPECT_EQ(push(h, 1, 127, 4, 1e300), 3);  // finite as double, infinite as float
    EXPECT_EQ(push(h, 1, 127, 4, -1e39), 3);
    EXPECT_EQ(push(h, 1, 10, 4, 1), 4);
    EXPECT_EQ(push(h, 1, 127, 4, 1), 0);
    EXPECT_EQ(push(h, 2, 127, 60, 2.5), 0);
    EXPECT_EQ(push(h, 3, 127, 60, 0), 0);
    EXPECT_EQ(push(h, 4, 127, 1, 0.5), 0);
    EXPECT_EQ(kernelQueuedEventCount(h), 5u);
}

TEST_F(KernelInterface, QueueHoldsSixtyFourEvents) {
    const uint32_t h = createInstance();
    for (int i = 0; i < 64; ++i) ASSERT_EQ(push(h, 1, uint32_t(i), 9, 0.5), 0);
    EXPECT_EQ(push(h, 1, 127, 9, 0.5), 3);
    EXPECT_EQ(push(h, 1, 0, 9, 0.5), 3);  // full is reported before the frame order
    EXPECT_EQ(KERNEL(process)(h, 128), 0);
    EXPECT_EQ(kernelQueuedEventCount(h), 0u);
    EXPECT_EQ(push(h, 1, 0, 9, 0.5), 0);
}

TEST_F(KernelInterface, OverflowingAutomationValueLeavesTheInstrumentPlaying) {
    const uint32_t h = createInstance();
    EXPECT_EQ(push(h, 1, 0, 9, 1e300), 3);
    EXPECT_EQ(push(h, 2, 0, 69, 1), 0);
    EXPECT_EQ(KERNEL(process)(h, 128), 0);
    EXPECT_EQ(KERNEL(process)(h, 128), 0);
    EXPECT_EQ(kernelBellsState(h)->modal.params[MODAL_STRUCK_PARAM_MASTER], 0.78);
}

TEST_F(KernelInterface, ParametersApplyBeforeNotesAtOneFrame) {
    const uint32_t h = createInstance();
    ASSERT_EQ(push(h, 2, 5, 60, 1), 0);
    ASSERT_EQ(push(h, 1, 5, 0, 2), 0);  // Handbells, pushed after the note
    ASSERT_EQ(KERNEL(process)(h, 128), 0);
    const ModalStruckState& st = kernelBellsState(h)->modal;
    EXPECT_EQ(st.voiceNote[0], 60);
    EXPECT_GT(st.modeGain[0][7], 0.0f);  // Handbells mode 3
    EXPECT_EQ(st.modeGain[0][9], 0.0f);  // no mode 4
}

TEST_F(KernelInterface, EventsSplitTheRenderAtTheirFrames) {
    const uint32_t h = createInstance();
    float* out = nullptr;
    uint64_t length = 0;
    KERNEL(output_view)(h, &out, &length);
    ASSERT_EQ(push(h, 2, 40, 69, 1), 0);
    ASSERT_EQ(KERNEL(process)(h, 128), 0);
    for (int i = 0; i <= 40; ++i) EXPECT_EQ(out[i], 0.0f) << i;  // frame 40: window 0
    EXPECT_NE(out[42], 0.0f);
}

TEST_F(KernelInterface, LateEventsAreDiscarded) {
    const uint32_t h = createInstance();
    ASSERT_EQ(push(h, 2, 10, 60, 1), 0);
    ASSERT_EQ(push(h, 2, 100, 61, 1), 0);
    EXPECT_EQ(KERNEL(process)(h, 64), 0);
    EXPECT_EQ(kernelQueuedEventCount(h), 0u);
    EXPECT_EQ(KERNEL(process)(h, 128), 0);
    const ModalStruckState& st = kernelBellsState(h)->modal;
    EXPECT_EQ(st.voiceNote[0], 60);
    EXPECT_EQ(st.voiceActive[1], 0);
    EXPECT_EQ(st.noteOnCounter, 2u);

    ASSERT_EQ(push(h, 2, 0, 62, 1), 0);
    EXPECT_EQ(KERNEL(process)(h, 0), 0);  // renders nothing, discards everything
    EXPECT_EQ(st.voiceActive[1], 0);
}

TEST_F(KernelInterface, ProcessRefusesMoreFramesThanTheBlockSize) {
    const uint32_t h = createInstance();
    float* out = nullptr;
    uint64_t length = 0;
    KERNEL(output_view)(h, &out, &length);
    ASSERT_EQ(push(h, 2, 0, 60, 1), 0);
    EXPECT_EQ(KERNEL(process)(h, 129), 1);
    EXPECT_EQ(kernelQueuedEventCount(h), 1u);
    EXPECT_EQ(kernelBellsState(h)->modal.voiceActive[0], 0);
}

TEST_F(KernelInterface, ControlChangeFailsEveryProcessUntilReset) {
    const uint32_t h = createInstance();
    ASSERT_EQ(push(h, 2, 0, 60, 1), 0);
    ASSERT_EQ(push(h, 4, 3, 1, 0.5), 0);
    EXPECT_EQ(KERNEL(process)(h, 128), 2);
    EXPECT_EQ(kernelQueuedEventCount(h), 2u);  // kept for the next call
    EXPECT_EQ(push(h, 2, 1, 62, 1), 4);
    EXPECT_EQ(KERNEL(process)(h, 128), 2);
    EXPECT_EQ(KERNEL(reset)(h), 0);
    EXPECT_EQ(kernelQueuedEventCount(h), 0u);
    EXPECT_EQ(KERNEL(process)(h, 128), 0);
}

TEST_F(KernelInterface, ResetRestoresDefaultsAndSilence) {
    const uint32_t h = createInstance();
    float* out = nullptr;
    uint64_t length = 0;
    KERNEL(output_view)(h, &out, &length);
    for (uint32_t i = 0; i < PARAMETER_COUNT; ++i) ASSERT_EQ(push(h, 1, 0, i, 0.9 + i), 0);
    ASSERT_EQ(push(h, 2, 0, 69, 1), 0);
    ASSERT_EQ(KERNEL(process)(h, 128), 0);
    ASSERT_EQ(push(h, 2, 0, 70, 1), 0);
    EXPECT_EQ(KERNEL(reset)(h), 0);
    EXPECT_EQ(kernelQueuedEventCount(h), 0u);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(out[i], 0.0f) << i;

    BellsState* reference = bells::createState();
    ASSERT_TRUE(bells::prepare(*reference, ProcessorConfig{0, 128, 2, 48000}));
    const BellsState& state = *kernelBellsState(h);
    EXPECT_EQ(state.family, 0);
    EXPECT_EQ(state.noise, 0.12);
    EXPECT_EQ(state.position, 0.15);
    EXPECT_EQ(state.size, 1);
    for (int i = 0; i < MODAL_STRUCK_PARAM_COUNT; ++i)
        EXPECT_EQ(state.modal.params[i], reference->modal.params[i]) << i;
    for (int v = 0; v < MODAL_STRUCK_MAX_VOICES; ++v) EXPECT_EQ(state.modal.voiceActive[v], 0);
    bells::destroyState(reference);

    ASSERT_EQ(KERNEL(process)(h, 128), 0);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(out[i], 0.0f) << i;
}

TEST_F(KernelInterface, DestroyedInstanceIsGoneButOthersPlayOn) {
    const uint32_t a = createInstance();
    const uint32_t b = createInstance();
    ASSERT_EQ(push(a, 2, 0, 60, 1), 0);
    EXPECT_EQ(KERNEL(destroy)(a), 0);
    EXPECT_EQ(KERNEL(destroy)(a), 1);
    EXPECT_EQ(push(b, 2, 0, 60, 1), 0);
    EXPECT_EQ(KERNEL(process)(b, 128), 0);
    EXPECT_EQ(createInstance(), 33u);
    EXPECT_EQ(kernelQueuedEventCount(33), 0u);
}

}  // namespace
}  // namespace velmo
