// Bell families: family selection, the derived recipe/note/position tables, family scalars.
#include <gtest/gtest.h>

#include <cmath>

#include "bells_state_fixture.h"
#include "kernel/bell_families.h"

namespace velmo {
namespace {

TEST(BellFamilies, SelectedByRoundingHalvesUpAndClamping) {
    EXPECT_EQ(selectedFamily(2.5), 3);
    EXPECT_EQ(selectedFamily(2.49), 2);
    EXPECT_EQ(selectedFamily(-1), 0);
    EXPECT_EQ(selectedFamily(-0.5), 0);
    EXPECT_EQ(selectedFamily(7), 4);
    EXPECT_EQ(selectedFamily(1e300), 4);
}

class BellTables : public ::testing::Test {
protected:
    void SetUp() override { bells = test::preparedBells(); }
    void rebuild(double family, double position, double size) {
        bells->family = family;
        bells->position = position;
        bells->size = size;
        rebuildBellsTables(*bells);
    }
    const ModalStruckState& st() const { return bells->modal; }
    test::BellsStatePtr bells;
};

TEST_F(BellTables, NotesFollowEqualTemperamentFromA440) {
    rebuild(0, 0.15, 1);
    EXPECT_EQ(st().noteCount, 128);
    EXPECT_EQ(st().noteHz[69], 440.0f);
    EXPECT_EQ(st().noteHz[0], float(8.17580));
    EXPECT_EQ(st().noteHz[127], float(12543.85395));
    EXPECT_EQ(st().noteKey[5], 5);
    EXPECT_EQ(st().noteGain[5], 1.0f);
    EXPECT_EQ(st().tablesDirty, 0u);
}

TEST_F(BellTables, EveryFamilyIsARecipeAndSizeStretchesTheRatios) {
    rebuild(0, 0.15, 1);
    EXPECT_EQ(st().recipeCount, 5);
    EXPECT_EQ(st().modeRatio[9], 4.2f);
    EXPECT_EQ(st().recipeModeCount[2], 4);
    EXPECT_EQ(st().modeRatio[2 * 16 + 3], 9.4f);
    EXPECT_EQ(st().modeDecay[4 * 16 + 1], 0.095f);
    EXPECT_EQ(st().modeAmplitude[3 * 16 + 5], 0.055f);
    EXPECT_EQ(st().recipeModeCount[5], 0);
    rebuild(0, 0.15, 2);
    EXPECT_EQ(st().modeRatio[9], float(3.85349));
    EXPECT_EQ(st().modeRatio[1], 1.0f);  // 1 stays 1 under any stretch
    rebuild(0, 0.15, 0.5);
    EXPECT_EQ(st().modeRatio[0], float(quantiseModalValue(std::pow(0.5, 1.03))));
}

TEST_F(BellTables, StrikeAtTheRimFavoursLowModesDownToTheFloor) {
    rebuild(0, 0, 1);
    const float* gains = &st().notePositionGain[60 * 16];
    EXPECT_EQ(gains[0], 1.0f);
    EXPECT_EQ(gains[9], float(0.389));
    for (int m = 1; m < 9; ++m) {
        const double t = m / 9.0;
        EXPECT_NEAR(gains[m], 0.06 + 0.94 * ((1 - t) + t * 0.35), 1e-5) << m;
    }
    for (int m = 10; m < 16; ++m) EXPECT_EQ(gains[m], 0.0f) << m;
    EXPECT_EQ(st().noteRecipe[60], 0);
}

TEST_F(BellTables, StrikeAtTheCentreFavoursHighModes) {
    rebuild(3, 1, 1);
    const float* gains = &st().notePositionGain[0];
    EXPECT_LT(gains[0], gains[5]);
    EXPECT_EQ(gains[5], 1.0f);
    EXPECT_NEAR(gains[0], 0.06 + 0.94 * std::cos(0.88 * M_PI / 2), 1e-5);
}

TEST_F(BellTables, HandbellsUseFourModes) {
    rebuild(2, 0.15, 1);
    EXPECT_EQ(st().noteRecipe[100], 2);
    for (int m = 0; m < 4; ++m) EXPECT_GE(st().notePositionGain[100 * 16 + m], 0.06f);
    for (int m = 4; m < 16; ++m) EXPECT_EQ(st().notePositionGain[100 * 16 + m], 0.0f);
}

TEST_F(BellTables, FamilyScalarsSetRingTimeAndNoise) {
    EXPECT_EQ(st().params[MODAL_STRUCK_PARAM_TAIL_SECONDS], 9);  // Carillon
    EXPECT_DOUBLE_EQ(st().params[MODAL_STRUCK_PARAM_NOISE], 0.12);
    bells->family = 3;
    applyFamilyScalars(0.3, *bells);
    EXPECT_DOUBLE_EQ(st().params[MODAL_STRUCK_PARAM_TAIL_SECONDS], 2.2);
    EXPECT_DOUBLE_EQ(st().params[MODAL_STRUCK_PARAM_NOISE], 0.36);
    EXPECT_EQ(bells->noise, 0.3);
    EXPECT_EQ(st().tablesDirty, 1u);
    applyFamilyScalars(5, *bells);
    EXPECT_EQ(st().params[MODAL_STRUCK_PARAM_NOISE], 1);
    EXPECT_EQ(bells->noise, 5);  // kept unclamped
}

}  // namespace
}  // namespace velmo
