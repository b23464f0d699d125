#include "params/param_table.h"

#include <cmath>
#include <cstring>

namespace velmo {

const char* const velmo_param_0_options[5] = {
    "Carillon", "Tubular Zuriz", "Handbells", "Glass", "Singing Bowl",
};

// defaultNormalized is stored, not computed, so every consumer sees the very same double.
const velmo_param_desc VELMO_PARAMS[VELMO_PARAM_COUNT] = {
    {0, "ir.family", "Bell", "Bell", kParamKindList, 0.0, 4.0, 0.0, 0.0, 0.0, "", 5,
     velmo_param_0_options},
    {1, "strike.position", "Position", "Strike", kParamKindContinuous, 0.0, 1.0, 0.0, 0.15, 0.15,
     "", 0, nullptr},
    {2, "strike.hardness", "Clapper", "Strike", kParamKindContinuous, 0.0, 1.0, 0.0, 0.62, 0.62,
     "", 0, nullptr},
    {3, "strike.noise", "Contact", "Strike", kParamKindContinuous, 0.0, 1.0, 0.0, 0.12, 0.12, "",
     0, nullptr},
    {4, "ir.decayScale", "Ring", "Body", kParamKindContinuous, 0.2, 2.5, 0.0, 1.0,
     0.3478260869565218, "x", 0, nullptr},
    {5, "ir.damping", "Damping", "Body", kParamKindContinuous, 0.2, 3.0, 0.0, 1.0,
     0.28571428571428575, "", 0, nullptr},
    {6, "ir.size", "Casting", "Body", kParamKindContinuous, 0.5, 2.0, 0.0, 1.0,
     0.3333333333333333, "x", 0, nullptr},
    {7, "ir.stereoWidth", "Width", "Body", kParamKindContinuous, 0.0, 1.0, 0.0, 0.5, 0.5, "", 0,
     nullptr},
    {8, "amp.release", "Release", "Amp", kParamKindContinuous, 0.02, 4.0, 0.0, 0.5,
     0.12060301507537688, "s", 0, nullptr},
    {9, "master.level", "Level", "Master", kParamKindContinuous, 0.0, 1.0, 0.0, 0.78, 0.78, "", 0,
     nullptr},
};

double velmo_clamp01(double x) {
    if (std::isnan(x)) return 0.0;
    return x < 0.0 ? 0.0 : (x > 1.0 ? 1.0 : x);
}

double velmo_param_to_plain(const velmo_param_desc& desc, double x) {
    switch (desc.kind) {
        case kParamKindList: {
            const int32_t n = desc.optionCount;
            double v = std::floor(static_cast<double>(n - 1) * x + 0.5);
            if (v < 0.0) v = 0.0;
            // NaN compares false everywhere above; treat it as the first entry.
            if (std::isnan(v)) v = 0.0;
            const double last = n > 1 ? static_cast<double>(n - 1) : 0.0;
            return v < last ? v : last;
        }
        case kParamKindToggle:
            return x >= 0.5 ? 1.0 : 0.0;
        default: {
            double p = desc.minValue + velmo_clamp01(x) * (desc.maxValue - desc.minValue);
            if (desc.step != 0.0) p = desc.step * std::floor(p / desc.step + 0.5);
            return p;
        }
    }
}

double velmo_param_normalize(const velmo_param_desc& desc, double p) {
    switch (desc.kind) {
        case kParamKindList: {
            const int32_t n = desc.optionCount;
            if (n <= 1) return 0.0;
            const double last = static_cast<double>(n - 1);
            double v = (p < 0.0 || std::isnan(p)) ? 0.0 : p;
            if (v > last) v = last;
            return v / last;
        }
        case kParamKindToggle:
            return p == 0.0 ? 0.0 : 1.0;
        default:
            if (desc.maxValue == desc.minValue) return 0.0;
            return velmo_clamp01((p - desc.minValue) / (desc.maxValue - desc.minValue));
    }
}

const velmo_param_desc* findParamByPath(const char* path, std::size_t length) {
    if (path == nullptr) return nullptr;
    for (const velmo_param_desc& row : VELMO_PARAMS) {
        if (std::strlen(row.path) == length && std::memcmp(row.path, path, length) == 0) return &row;
    }
    return nullptr;
}

}  // namespace velmo
