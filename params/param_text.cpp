#include "params/param_text.h"

#include <charconv>
#include <cstring>

#include "docs/number_text.h"

namespace velmo {

namespace {

// Hosts carry normalised values as floats, so digits past float precision are noise: the text
// is the shortest that reads back to the same float ("0.15", not "0.1500000059604645").
std::string_view formatNumber(double value, ParamTextBuffer& buffer) {
    static_assert(sizeof(buffer.bytes) >= kNumberTextCapacity);
    return {buffer.bytes, formatShortestFloat(buffer.bytes, static_cast<float>(value))};
}

// Significant digits of a number text ("0.0250" 3, "100" 1, "1.5e-05" 2).
int significantDigits(std::string_view text) {
    text = text.substr(0, text.find('e'));
    int first = -1;
    int last = -1;
    for (int i = 0; i < static_cast<int>(text.size()); ++i) {
        if (text[i] < '1' || text[i] > '9') continue;
        if (first < 0) first = i;
        last = i;
    }
    if (first < 0) return 1;
    int count = last - first + 1;
    if (first < static_cast<int>(text.find('.')) && static_cast<int>(text.find('.')) < last) --count;
    return count;
}

// A continuous value the host holds as a float may read shorter still: the shortest decimal
// whose normalised value is that same float ("2.607" s for the float nearest 0.65 on Release,
// whose plain value rounds to the float 2.6069999).
std::string_view formatContinuous(const velmo_param_desc& desc, double normalized,
                                  ParamTextBuffer& buffer) {
    const double plain = velmo_param_to_plain(desc, normalized);
    const std::string_view fallback = formatNumber(plain, buffer);
    if (desc.step != 0.0) return fallback;
    const float held = static_cast<float>(normalized >= 0.0 ? (normalized <= 1.0 ? normalized : 1.0) : 0.0);
    const int digits = significantDigits(fallback);
    for (int precision = 1; precision < digits; ++precision) {
        char text[kNumberTextCapacity];
        const auto end = std::to_chars(text, text + sizeof text, plain, std::chars_format::scientific,
                                       precision - 1);
        double shorter = 0.0;
        if (numberFromText(std::string_view(text, static_cast<std::size_t>(end.ptr - text)), shorter) == 0)
            break;
        // Outside the range the normalised value clamps to an end and would match it falsely.
        if (shorter < desc.minValue || shorter > desc.maxValue) continue;
        if (static_cast<float>(velmo_param_normalize(desc, shorter)) == held)
            return {buffer.bytes, formatShortestNumber(buffer.bytes, shorter)};
    }
    return fallback;
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
    return formatContinuous(desc, normalized, buffer);
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
