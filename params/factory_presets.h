#pragma once
// The ten factory presets, stored as normalised values in parameter-id order.
#include <cstdint>

namespace velmo {

struct velmo_factory_preset {
    const char* id;        // "factory-1" .. "factory-10"
    const char* name;      // program name shown by the host
    const double* values;  // VELMO_PARAM_COUNT normalised values; null entries are skipped
};

inline constexpr uint32_t VELMO_FACTORY_PRESET_COUNT = 10;

extern const velmo_factory_preset VELMO_FACTORY_PRESETS[VELMO_FACTORY_PRESET_COUNT];

}  // namespace velmo
