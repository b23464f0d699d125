#include "params/velmo_parameter.h"

#include <string_view>

#include "params/param_text.h"

namespace velmo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {
constexpr std::size_t kString128Units = sizeof(String128) / sizeof(TChar);
// Typed texts longer than this are cut, as the host's own text fields are.
constexpr std::size_t kMaxTypedChars = 255;

void copyToString128(std::string_view text, String128 out) {
    std::size_t n = text.size() < kString128Units - 1 ? text.size() : kString128Units - 1;
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<TChar>(static_cast<unsigned char>(text[i]));
    out[n] = 0;
}

void copyToString128(const char* text, String128 out) {
    copyToString128(text != nullptr ? std::string_view(text) : std::string_view(), out);
}
}  // namespace

VelmoParameter::VelmoParameter(const velmo_param_desc& desc) : desc_(desc) {
    info.id = desc.id;
    copyToString128(desc.name, info.title);
    copyToString128(desc.name, info.shortTitle);
    copyToString128(desc.unit, info.units);
    if (desc.kind == kParamKindList) {
        info.stepCount = desc.optionCount > 1 ? desc.optionCount - 1 : 1;
    } else if (desc.kind == kParamKindToggle) {
        info.stepCount = 1;
    } else {
        info.stepCount = 0;
    }
    info.defaultNormalizedValue = desc.defaultNormalized;
    info.unitId = kRootUnitId;
    info.flags = ParameterInfo::kCanAutomate;
    setNormalized(desc.defaultNormalized);
}

VelmoParameter::~VelmoParameter() = default;

void VelmoParameter::toString(ParamValue normalized, String128 string) const {
    ParamTextBuffer buffer;
    copyToString128(paramDisplayText(desc_, normalized, buffer), string);
}

bool VelmoParameter::fromString(const TChar* string, ParamValue& normalized) const {
    // Only the first kMaxTypedChars units matter, so the scan for the terminator stops there.
    std::size_t length = 0;
    if (string != nullptr) {
        while (length < kMaxTypedChars && string[length] != 0) ++length;
    }
    return fromString(string, length, normalized);
}

bool VelmoParameter::fromString(const TChar* string, std::size_t length,
                                ParamValue& normalized) const {
    char text[kMaxTypedChars];
    std::size_t n = 0;
    if (string != nullptr) {
        while (n < length && n < kMaxTypedChars && string[n] != 0) {
            // Units outside ASCII become '?', which no option name or number contains: a
            // truncated code unit could otherwise pose as a digit or letter.
            const TChar unit = string[n];
            text[n] = unit < 0x80 ? static_cast<char>(unit) : '?';
            ++n;
        }
    }
    return paramValueFromText(desc_, std::string_view(text, n), normalized);
}

ParamValue VelmoParameter::toPlain(ParamValue normalized) const {
    return velmo_param_to_plain(desc_, normalized);
}

ParamValue VelmoParameter::toNormalized(ParamValue plain) const {
    return velmo_param_normalize(desc_, plain);
}

}  // namespace velmo
