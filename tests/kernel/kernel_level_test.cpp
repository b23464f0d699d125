// Loudness must not follow the host's sample rate: a project moved from 48 kHz to 44.1, 96 or
// 192 kHz has to sound as loud as before and must not start clipping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "kernel/modal_render.h"
#include "kernel/modal_struck.h"
#include "kernel_test_support.h"

namespace velmo {
namespace {

using test::noteOn;
using test::parameter;
using test::renderEvents;

constexpr int FAMILIES = 5;
constexpr double REFERENCE_RATE = 48000;
// Measured spread of the peaks is within 0.4 dB (the modes' phases meet the sample grid
// differently at each rate); a level that followed the rate would be off by 6 dB per octave.
constexpr double TOLERANCE_DB = 1.0;

// Peak, in dB of full scale, of the first half second of one hard strike.
double peakDb(int family, int note, double rate) {
    const uint32_t handle = test::createInstance(rate);
    EXPECT_NE(handle, 0u) << rate;
    if (handle == 0) return 0;
    const auto out = renderEvents(handle, {parameter(0, 0, family), noteOn(0, uint32_t(note))},
                                  uint64_t(rate / 2));
    KERNEL(destroy)(handle);
    float peak = 0;
    for (size_t i = 0; i < out.left.size(); ++i)
        peak = std::max({peak, std::fabs(out.left[i]), std::fabs(out.right[i])});
    return 20 * std::log10(double(peak));
}

class KernelLevel : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        forceScalarModalRender(GetParam());
        ASSERT_EQ(KERNEL(runtime_init)(), 0);
    }
    void TearDown() override { forceScalarModalRender(false); }
};

TEST_P(KernelLevel, PeakOfEveryFamilyHoldsAcrossSampleRates) {
    for (int family = 0; family < FAMILIES; ++family) {
        for (int note : {48, 60, 72}) {
            const double reference = peakDb(family, note, REFERENCE_RATE);
            for (double rate : {22050.0, 44100.0, 96000.0, 192000.0}) {
                EXPECT_NEAR(peakDb(family, note, rate), reference, TOLERANCE_DB)
                    << "family " << family << " note " << note << " at " << rate << " Hz";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Renderers, KernelLevel, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "scalar" : "selected";
                         });

// The strike feeds the resonators the same total input at every rate: its length in samples
// grows with the rate, so each sample must shrink in proportion. Without noise the strike is a
// pure raised-cosine pulse, so this holds up to the length's rounding to whole samples.
TEST(ModalExcitation, StrikeEnergyIsIndependentOfTheSampleRate) {
    auto strikeSum = [](double rate) {
        ModalStruckState st;
        initModalStruckState(st, rate);
        setModalStruckV2Param(st, MODAL_STRUCK_PARAM_NOISE, 0);
        st.noteRecipe[0] = 0;
        st.noteHz[0] = 440;
        startModalVoice(st, 0, 69, 0, 1.0, 1);
        const int length = st.exciteLength[0];
        double sum = 0;
        for (int i = 0; i < length; ++i) sum += modalExcitation(st, 0);
        EXPECT_EQ(modalExcitation(st, 0), 0.0f) << "strike over after its length";
        return sum;
    };
    const double reference = strikeSum(REFERENCE_RATE);
    EXPECT_GT(reference, 0);
    for (double rate : {8000.0, 22050.0, 44100.0, 96000.0, 192000.0, 384000.0})
        EXPECT_NEAR(strikeSum(rate) / reference, 1.0, 0.01) << rate;
}

}  // namespace
}  // namespace velmo
