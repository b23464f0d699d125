#include "params/factory_presets.h"

namespace velmo {

namespace {
// Each value is (plain - min) / (max - min) evaluated in double; stored so that a preset
// compares exactly equal to itself after a round trip through the host.
const double PRESET_VALUES[VELMO_FACTORY_PRESET_COUNT][10] = {
    {0.0, 0.15, 0.62, 0.12, 0.3478260869565218, 0.28571428571428575, 0.3333333333333333, 0.5,
     0.12060301507537688, 0.78},
    {0.0, 0.55, 0.28, 0.08, 0.9565217391304347, 0.05357142857142856, 1.0, 0.8,
     0.5979899497487436, 0.72},
    {0.0, 0.08, 0.85, 0.2, 0.5652173913043479, 0.17857142857142858, 0.5333333333333333, 0.6,
     0.2964824120603015, 0.74},
    {0.25, 0.2, 0.55, 0.16, 0.5000000000000001, 0.21428571428571433, 0.4000000000000001, 0.55,
     0.22110552763819097, 0.76},
    {0.25, 0.12, 0.78, 0.24, 0.782608695652174, 0.10714285714285715, 0.7999999999999999, 0.75,
     0.3969849246231156, 0.72},
    {0.5, 0.18, 0.35, 0.1, 0.39130434782608703, 0.28571428571428575, 0.3333333333333333, 0.45,
     0.07035175879396985, 0.8},
    {0.5, 0.05, 0.9, 0.28, 0.17391304347826086, 0.5000000000000001, 0.06666666666666665, 0.85,
     0.025125628140703515, 0.82},
    {0.75, 0.25, 0.7, 0.14, 0.6086956521739132, 0.16071428571428573, 0.4666666666666666, 0.7,
     0.10804020100502512, 0.76},
    {0.75, 0.02, 0.95, 0.3, 0.10869565217391305, 0.7142857142857143, 0.03333333333333336, 0.3,
     0.01507537688442211, 0.84},
    {1.0, 0.35, 0.2, 0.06, 1.0, 0.017857142857142853, 0.8666666666666667, 0.9,
     0.7487437185929648, 0.72},
};
}  // namespace

const velmo_factory_preset VELMO_FACTORY_PRESETS[VELMO_FACTORY_PRESET_COUNT] = {
    {"factory-1", "Cathedral Carillon", PRESET_VALUES[0]},
    {"factory-2", "Deep Bourdon", PRESET_VALUES[1]},
    {"factory-3", "Angelus Toll", PRESET_VALUES[2]},
    {"factory-4", "Evening Chimes", PRESET_VALUES[3]},
    {"factory-5", "Tubular Toll", PRESET_VALUES[4]},
    {"factory-6", "Choir of Handbells", PRESET_VALUES[5]},
    {"factory-7", "Winter Zuriz", PRESET_VALUES[6]},
    {"factory-8", "Glass Hour", PRESET_VALUES[7]},
    {"factory-9", "Toy Glockenspiel", PRESET_VALUES[8]},
    {"factory-10", "Meditation Bowl", PRESET_VALUES[9]},
};

}  // namespace velmo
