#include "params/param_text.h"

#include <cstring>

#include "docs/number_text.h"

namespace velmo {

namespace {
std::string_view formatNumber(double value, ParamTextBuffer& buffer) {
    static_assert(sizeof(buffer.bytes) >= kNumberTextCapacity);
    return {buffer.bytes, formatShortestNumber(buffer.bytes, value)};
}
}  // namespace

std::string_view paramDisplayText(const velmo_param_desc& desc, double normalized,
                                  ParamTextBuffer& buffer) {
    if (desc.kind == kParamKindList) {
        const double index = velmo_param_to_plain(desc, normalized);
        if (desc.options == nullptr) return formatNumber(index, buffer);
        if (index < 0.0 || index >= desc.optionCount) return {};
        const char* name = desc.options[static_cast<int32_t>(index)];
        return name != nullptr ? std::string_view(name) : std::string_view();
    }
    if (desc.kind == kParamKindToggle) return normalized >= 0.5 ? "on" : "off";
    return formatNumber(velmo_param_to_plain(desc, normalized), buffer);
}

bool paramValueFromText(const velmo_param_desc& desc, std::string_view text, double& normalized) {
    if (desc.kind == kParamKindToggle) {
        if (text == "on" || text == "true") {
            normalized = 1.0;
            return true;
        }
        if (text == "off" || text == "false") {
            normalized = 0.0;
            return true;
        }
    } else if (desc.kind == kParamKindList && desc.options != nullptr) {
        const int32_t n = desc.optionCount;
        for (int32_t i = 0; i < n; ++i) {
            if (desc.options[i] != nullptr && text == desc.options[i]) {
                normalized = n > 1 ? static_cast<double>(i) / (n - 1) : 0.0;
                return true;
            }
        }
    }
    double plain = 0.0;
    if (numberFromTextAfterBlanks(text, plain) == 0) return false;
    normalized = velmo_param_normalize(desc, plain);
    return true;
}

}  // namespace velmo
