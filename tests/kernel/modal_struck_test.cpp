// The struck modal voice: stored parameters, excitation, release and voice lifetime.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "bells_state_fixture.h"
#include "kernel/bell_families.h"
#include "kernel/modal_struck.h"

namespace velmo {
namespace {

TEST(ModalParameters, QuantisedToTheQuantumAndClampedToTheirRange) {
    ModalStruckState st;
    initModalStruckState(st, 48000);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_HARDNESS, 1.7);
    EXPECT_EQ(st.params[1], 1.0);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_HARDNESS, 0.123456);
    EXPECT_DOUBLE_EQ(st.params[1], 0.12346);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_HARDNESS, 0.000005);  // a half rounds up
    EXPECT_DOUBLE_EQ(st.params[1], 0.00001);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_VELOCITY_HARDNESS_COUPLING, -0.000015);
    EXPECT_DOUBLE_EQ(st.params[10], -0.00001);  // halves go towards +infinity below zero too

    double before[MODAL_STRUCK_PARAM_COUNT];
    std::copy(st.params, st.params + MODAL_STRUCK_PARAM_COUNT, before);
    setModalStruckV2Param(st, 18, 0.5);
    setModalStruckV2Param(st, -1, 0.5);
    for (int i = 0; i < MODAL_STRUCK_PARAM_COUNT; ++i) EXPECT_EQ(st.params[i], before[i]) << i;
}

TEST(ModalParameters, DependentLowerBoundsAndTheNoiseSeed) {
    ModalStruckState st;
    initModalStruckState(st, 48000);
    EXPECT_EQ(st.params[11], 600);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_NOISE_CUTOFF_MAX_HZ, 100);
    EXPECT_EQ(st.params[12], 600);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_EXCITE_MAX_MS, 1);
    EXPECT_EQ(st.params[15], 3);

    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_NOISE_SEED, 0);
    EXPECT_EQ(st.params[13], 1);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_NOISE_SEED, 4294967296.0 + 1.9);
    EXPECT_EQ(st.params[13], 1);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_NOISE_SEED, 1234567.89);  // not quantised
    EXPECT_EQ(st.params[13], 1234567);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_NOISE_SEED, -1);
    EXPECT_EQ(st.params[13], 4294967295.0);
}

TEST(ModalParameters, PositionAndSizeMarkTheTablesDirty) {
    ModalStruckState st;
    initModalStruckState(st, 48000);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_HARDNESS, 0.3);
    EXPECT_EQ(st.tablesDirty, 0u);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_SIZE, 2);
    EXPECT_EQ(st.tablesDirty, 1u);
    st.tablesDirty = 0;
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_POSITION, 0.3);
    EXPECT_EQ(st.tablesDirty, 1u);
}

TEST(ModalState, SampleRateIsHeldAtSinglePrecision) {
    ModalStruckState st;
    initModalStruckState(st, 44100.123456789);
    EXPECT_EQ(st.sampleRate, double(float(44100.123456789)));
    initModalStruckState(st, 0);
    EXPECT_EQ(st.sampleRate, 48000);
    initModalStruckState(st, 1e-60);  // zero at single precision
    EXPECT_EQ(st.sampleRate, 48000);
}

class ModalVoice : public ::testing::Test {
protected:
    void SetUp() override {
        bells = test::preparedBells();
        ASSERT_TRUE(bells::handleEvent(*bells, PROCESSOR_EVENT_NOTE_ON, 60, 1.0));  // rebuilds tables
        resetModalStruckVoice(bells->modal, 0);
    }
    ModalStruckState& st() { return bells->modal; }
    // Steps voice 0 until it is freed; returns the samples it sounded.
    int samplesUntilFree(int limit) {
        int n = 0;
        while (st().voiceActive[0] && n < limit) {
            modalVoiceStep(st(), 0);
            ++n;
        }
        return n;
    }
    test::BellsStatePtr bells;
};

TEST_F(ModalVoice, ExcitationIsShorterForAHarderStrike) {
    setModalStruckV2Param(st(), MODAL_STRUCK_PARAM_VELOCITY_HARDNESS_COUPLING, 0);
    setModalStruckV2Param(st(), MODAL_STRUCK_PARAM_HARDNESS, 1);
    startModalVoice(st(), 0, 60, 60, 1.0, 1);
    EXPECT_EQ(st().exciteLength[0], 96);
    setModalStruckV2Param(st(), MODAL_STRUCK_PARAM_HARDNESS, 0);
    startModalVoice(st(), 0, 60, 60, 1.0, 2);
    EXPECT_EQ(st().exciteLength[0], 672);
    EXPECT_EQ(st().exciteRemaining[0], 672);

    // Velocity coupling: h = 0.62 + 0.4 * (1 - 0.7) = 0.74 with the bells defaults.
    applyBellsFactoryDefaults(*bells);
    startModalVoice(st(), 0, 60, 60, 1.0, 3);
    EXPECT_EQ(st().exciteLength[0], int(std::floor(48000 * (14 - 0.74 * 12) / 1000)));
}

TEST_F(ModalVoice, StrikeStartsFromSilenceAndExcitesOnlyForItsLength) {
    startModalVoice(st(), 0, 60, 60, 1.0, 1);
    const int length = st().exciteLength[0];
    EXPECT_EQ(modalExcitation(st(), 0), 0.0f);  // window 0 at R = L
    float peak = 0;
    for (int i = 1; i < length; ++i) peak = std::max(peak, std::fabs(modalExcitation(st(), 0)));
    EXPECT_GT(peak, 0.5f);
    EXPECT_EQ(st().exciteRemaining[0], 0);
    EXPECT_EQ(modalExcitation(st(), 0), 0.0f);
    EXPECT_NE(st().noiseState[0], 0u);
}

TEST_F(ModalVoice, ReleaseFadesLinearlyAndFreesTheVoiceWhenItEnds) {
    startModalVoice(st(), 0, 60, 60, 1.0, 1);
    EXPECT_EQ(st().releaseLength[0], 24000);
    for (int i = 0; i < 1000; ++i) modalVoiceStep(st(), 0);
    releaseModalNote(st(), 60);
    EXPECT_EQ(st().releaseRemaining[0], 24000);
    bool ended = false;
    const float full = st().voiceGain[0];
    EXPECT_EQ(modalEnvelope(st(), 0, ended), full);
    EXPECT_FLOAT_EQ(modalEnvelope(st(), 0, ended), float(full * 23999.0 / 24000.0));
    st().releaseRemaining[0] = 24000;
    // Freed exactly when the fade runs out, although the 9 s ring time is far off.
    EXPECT_EQ(samplesUntilFree(100000), 24000);
    EXPECT_EQ(st().voiceNote[0], -1);
    for (float value : st().stateIm[0]) EXPECT_EQ(value, 0.0f);
}

TEST_F(ModalVoice, UnreleasedVoiceIsFreedOnceItsAgeExceedsTheRingTime) {
    setModalStruckV2Param(st(), MODAL_STRUCK_PARAM_TAIL_SECONDS, 0.5);
    startModalVoice(st(), 0, 60, 60, 1.0, 1);
    EXPECT_EQ(samplesUntilFree(100000), 24001);  // the first age above 24000
}

TEST_F(ModalVoice, SecondNoteOffRestartsTheFade) {
    startModalVoice(st(), 0, 60, 60, 1.0, 1);
    releaseModalNote(st(), 60);
    for (int i = 0; i < 100; ++i) modalVoiceStep(st(), 0);
    EXPECT_EQ(st().releaseRemaining[0], 24000 - 100);
    releaseModalNote(st(), 60);
    EXPECT_EQ(st().releaseRemaining[0], 24000);
}

TEST_F(ModalVoice, StereoSpreadTunesLeftDownAndRightUp) {
    startModalVoice(st(), 0, 69, 69, 1.0, 1);
    const double nominal = PI2 * 440 * double(st().modeRatio[1]) / 48000;  // Carillon mode 1
    const double left = std::atan2(st().coefSin[0][2], st().coefCos[0][2]);
    const double right = std::atan2(st().coefSin[0][3], st().coefCos[0][3]);
    const double spread = 0.5 * 0.0015 * 2 / 10;
    EXPECT_NEAR(left / nominal, 1 - spread, 1e-6);
    EXPECT_NEAR(right / nominal, 1 + spread, 1e-6);
    for (int k = 20; k < MODAL_STRUCK_LANES; ++k) EXPECT_EQ(st().modeGain[0][k], 0.0f);
}

}  // namespace
}  // namespace velmo
