#include "params/factory_presets.h"
#include "params/param_table.h"

#include <gtest/gtest.h>

#include <string>

namespace velmo {
namespace {

// Plain values as published for each preset, in parameter-id order.
const double PLAIN[VELMO_FACTORY_PRESET_COUNT][10] = {
    {0, 0.15, 0.62, 0.12, 1, 1, 1, 0.5, 0.5, 0.78},
    {0, 0.55, 0.28, 0.08, 2.4, 0.35, 2, 0.8, 2.4, 0.72},
    {0, 0.08, 0.85, 0.2, 1.5, 0.7, 1.3, 0.6, 1.2, 0.74},
    {1, 0.2, 0.55, 0.16, 1.35, 0.8, 1.1, 0.55, 0.9, 0.76},
    {1, 0.12, 0.78, 0.24, 2, 0.5, 1.7, 0.75, 1.6, 0.72},
    {2, 0.18, 0.35, 0.1, 1.1, 1, 1, 0.45, 0.3, 0.8},
    {2, 0.05, 0.9, 0.28, 0.6, 1.6, 0.6, 0.85, 0.12, 0.82},
    {3, 0.25, 0.7, 0.14, 1.6, 0.65, 1.2, 0.7, 0.45, 0.76},
    {3, 0.02, 0.95, 0.3, 0.45, 2.2, 0.55, 0.3, 0.08, 0.84},
    {4, 0.35, 0.2, 0.06, 2.5, 0.25, 1.8, 0.9, 3, 0.72},
};

const char* const NAMES[VELMO_FACTORY_PRESET_COUNT] = {
    "Cathedral Carillon", "Deep Bourdon",       "Angelus Toll", "Evening Chimes",
    "Tubular Toll",       "Choir of Handbells", "Winter Zuriz", "Glass Hour",
    "Toy Glockenspiel",   "Meditation Bowl",
};

TEST(FactoryPresets, StoredDoublesAreTheExactQuotients) {
    for (uint32_t p = 0; p < VELMO_FACTORY_PRESET_COUNT; ++p) {
        const velmo_factory_preset& preset = VELMO_FACTORY_PRESETS[p];
        ASSERT_NE(preset.values, nullptr);
        for (uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
            const velmo_param_desc& row = VELMO_PARAMS[id];
            const double expected = (PLAIN[p][id] - row.minValue) / (row.maxValue - row.minValue);
            EXPECT_EQ(preset.values[id], expected) << preset.id << " " << row.path;
            // Applying the stored value gives back the published plain value.
            if (row.kind == kParamKindList) {
                EXPECT_EQ(velmo_param_to_plain(row, preset.values[id]), PLAIN[p][id]);
            }
        }
    }
}

TEST(FactoryPresets, IdsAndNamesFollowTheIndex) {
    for (uint32_t p = 0; p < VELMO_FACTORY_PRESET_COUNT; ++p) {
        EXPECT_EQ(std::string(VELMO_FACTORY_PRESETS[p].id), "factory-" + std::to_string(p + 1));
        EXPECT_STREQ(VELMO_FACTORY_PRESETS[p].name, NAMES[p]);
    }
    // The first preset is the instrument's default sound.
    for (uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
        EXPECT_EQ(VELMO_FACTORY_PRESETS[0].values[id], VELMO_PARAMS[id].defaultNormalized);
    }
}

}  // namespace
}  // namespace velmo
