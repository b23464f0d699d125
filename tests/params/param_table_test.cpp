#include "params/param_table.h"

#include <gtest/gtest.h>

#include "realtime_guard.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace velmo {
namespace {

TEST(ParamTable, RowsAreIndexedByIdWithConsistentDefaults) {
    for (uint32_t i = 0; i < VELMO_PARAM_COUNT; ++i) {
        const velmo_param_desc& row = VELMO_PARAMS[i];
        SCOPED_TRACE(row.path);
        EXPECT_EQ(row.id, i);
        ASSERT_NE(row.path, nullptr);
        ASSERT_NE(row.name, nullptr);
        ASSERT_NE(row.unit, nullptr);
        // The stored default is exactly the double-precision quotient, not an approximation.
        EXPECT_EQ(row.defaultNormalized,
                  (row.defaultPlain - row.minValue) / (row.maxValue - row.minValue));
        EXPECT_EQ(velmo_param_normalize(row, row.defaultPlain), row.defaultNormalized);
        EXPECT_EQ(findParamByPath(row.path, std::strlen(row.path)), &row);
    }
    const velmo_param_desc& family = VELMO_PARAMS[0];
    EXPECT_EQ(family.kind, kParamKindList);
    ASSERT_EQ(family.optionCount, 5);
    EXPECT_EQ(family.options, velmo_param_0_options);
    EXPECT_STREQ(velmo_param_0_options[1], "Tubular Zuriz");
    EXPECT_STREQ(velmo_param_0_options[4], "Singing Bowl");
    EXPECT_STREQ(VELMO_PARAMS[4].unit, "x");
    EXPECT_STREQ(VELMO_PARAMS[6].unit, "x");
    EXPECT_STREQ(VELMO_PARAMS[8].unit, "s");
}

TEST(ParamTable, PathLookupIsExactAndLengthBounded) {
    EXPECT_EQ(findParamByPath("ir.size", 7), &VELMO_PARAMS[6]);
    EXPECT_EQ(findParamByPath("ir.sizeX", 7), &VELMO_PARAMS[6]);  // only 7 bytes are read
    EXPECT_EQ(findParamByPath("ir.siz", 6), nullptr);
    EXPECT_EQ(findParamByPath("IR.SIZE", 7), nullptr);
    EXPECT_EQ(findParamByPath("", 0), nullptr);
    EXPECT_EQ(findParamByPath(nullptr, 0), nullptr);
}

TEST(ParamConversions, ListRoundsHalfUpAndClamps) {
    const velmo_param_desc& family = VELMO_PARAMS[0];
    EXPECT_EQ(velmo_param_to_plain(family, 0.625), 3.0);
    EXPECT_EQ(velmo_param_to_plain(family, 0.5), 2.0);
    EXPECT_EQ(velmo_param_to_plain(family, 0.124), 0.0);
    EXPECT_EQ(velmo_param_to_plain(family, 0.125), 1.0);
    EXPECT_EQ(velmo_param_to_plain(family, -0.3), 0.0);
    EXPECT_EQ(velmo_param_to_plain(family, 1.7), 4.0);
    EXPECT_EQ(velmo_param_normalize(family, 2.4), 0.6);  // fractional index is not rounded
    EXPECT_EQ(velmo_param_normalize(family, -1.0), 0.0);
    EXPECT_EQ(velmo_param_normalize(family, 9.0), 1.0);
    for (int i = 0; i <= 1000; ++i) {
        const double x = i / 1000.0;
        const double n = velmo_param_normalize(family, velmo_param_to_plain(family, x));
        EXPECT_EQ(std::fmod(n, 0.25), 0.0) << x;
    }
}

TEST(ParamConversions, ContinuousClampsAndMapsRange) {
    const velmo_param_desc& ring = VELMO_PARAMS[4];
    EXPECT_EQ(velmo_param_to_plain(ring, 0.0), 0.2);
    EXPECT_EQ(velmo_param_to_plain(ring, 1.0), 2.5);
    EXPECT_EQ(velmo_param_to_plain(ring, 0.5), 0.2 + 0.5 * (2.5 - 0.2));
    EXPECT_EQ(velmo_param_to_plain(ring, -4.0), 0.2);
    EXPECT_EQ(velmo_param_to_plain(ring, 4.0), 2.5);
    EXPECT_EQ(velmo_param_normalize(ring, 3.5), 1.0);
    EXPECT_EQ(velmo_param_normalize(ring, 0.1), 0.0);
    EXPECT_EQ(velmo_param_to_plain(VELMO_PARAMS[8], 0.5), 2.01);
    for (const velmo_param_desc& row : VELMO_PARAMS) {
        if (row.kind != kParamKindContinuous) continue;
        for (int i = 0; i <= 64; ++i) {
            const double x = i / 64.0;
            EXPECT_NEAR(velmo_param_normalize(row, velmo_param_to_plain(row, x)), x, 1e-15)
                << row.path;
        }
    }
}

TEST(ParamConversions, NanNeverReachesThePlainSide) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const velmo_param_desc& row : VELMO_PARAMS) {
        EXPECT_FALSE(std::isnan(velmo_param_to_plain(row, nan))) << row.path;
        EXPECT_FALSE(std::isnan(velmo_param_normalize(row, nan))) << row.path;
    }
}

TEST(ParamConversions, SyntheticRowsCoverToggleStepAndDegenerateRanges) {
    velmo_param_desc toggle{0, "t", "T", "G", kParamKindToggle, 0, 1, 0, 0, 0, "", 0, nullptr};
    EXPECT_EQ(velmo_param_to_plain(toggle, 0.49), 0.0);
    EXPECT_EQ(velmo_param_to_plain(toggle, 0.5), 1.0);
    EXPECT_EQ(velmo_param_normalize(toggle, 0.0), 0.0);
    EXPECT_EQ(velmo_param_normalize(toggle, -2.0), 1.0);  // any non-zero value is "on"

    velmo_param_desc stepped{0, "s", "S", "G", kParamKindContinuous, 0, 10, 0.5, 0, 0, "", 0,
                             nullptr};
    EXPECT_EQ(velmo_param_to_plain(stepped, 0.33), 3.5);  // 3.3 -> nearest 0.5
    EXPECT_EQ(velmo_param_to_plain(stepped, 0.325), 3.5);  // 3.25 rounds half up

    velmo_param_desc flat{0, "f", "F", "G", kParamKindContinuous, 2, 2, 0, 2, 0, "", 0, nullptr};
    EXPECT_EQ(velmo_param_normalize(flat, 5.0), 0.0);

    velmo_param_desc one{0, "o", "O", "G", kParamKindList, 0, 0, 0, 0, 0, "", 1, nullptr};
    EXPECT_EQ(velmo_param_to_plain(one, 0.9), 0.0);
    EXPECT_EQ(velmo_param_normalize(one, 3.0), 0.0);
}

TEST(ParamConversions, AudioThreadSafe) {
    // The kernel host converts every incoming change on the audio thread.
    double sum = 0.0;
    test::RealtimeGuard guard;
    for (int i = 0; i < 1000; ++i) {
        const velmo_param_desc& row = VELMO_PARAMS[i % VELMO_PARAM_COUNT];
        sum += velmo_param_to_plain(row, i / 999.0) + velmo_param_normalize(row, i / 100.0);
        sum += findParamByPath(row.path, 7) != nullptr;
    }
    EXPECT_EQ(guard.allocations(), 0u);
    EXPECT_EQ(guard.locks(), 0u);
    EXPECT_GT(sum, 0.0);
}

}  // namespace
}  // namespace velmo
