#pragma once
// The ten automatable parameters, described once. Plain constant data: any thread may read it.
#include <cstddef>
#include <cstdint>

namespace velmo {

enum : uint32_t {
    kParamKindContinuous = 0,  // a real-valued range
    kParamKindList = 1,        // a choice among options; plain value = option index
    kParamKindToggle = 2,      // plain value 0 or 1
};

struct velmo_param_desc {
    uint32_t id;         // VST3 parameter id, equal to the row index
    const char* path;    // dotted key used by documents, bridge messages and CC bindings
    const char* name;    // display title
    const char* group;   // "Bell", "Strike", "Body", "Amp", "Master"
    uint32_t kind;       // kParamKind*
    double minValue;
    double maxValue;     // for List rows optionCount - 1 (conversions do not read it)
    double step;         // plain quantum for Continuous rows, 0 = unquantised
    double defaultPlain;
    double defaultNormalized;
    const char* unit;    // "" when there is none
    int32_t optionCount;
    const char* const* options;
};

inline constexpr uint32_t VELMO_PARAM_COUNT = 10;

extern const char* const velmo_param_0_options[5];
extern const velmo_param_desc VELMO_PARAMS[VELMO_PARAM_COUNT];

// x within [0, 1]; NaN maps to 0 so a bad host value can never reach the kernel as NaN.
double velmo_clamp01(double x);

// Normalised [0, 1] -> plain value, by the row's kind and range.
double velmo_param_to_plain(const velmo_param_desc& desc, double normalized);
// Plain value -> normalised [0, 1], by the row's kind and range.
double velmo_param_normalize(const velmo_param_desc& desc, double plain);

// The row whose path equals `path` exactly (byte length given), or null.
const velmo_param_desc* findParamByPath(const char* path, std::size_t length);

}  // namespace velmo
