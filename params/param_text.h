#pragma once
// Display texts of parameter values and the reverse, typed text -> normalised value.
// Numbers are locale-independent: a host running under a comma-decimal locale sees "0.5".
#include <string_view>

#include "params/param_table.h"

namespace velmo {

// Room for any text paramDisplayText formats itself (option names are returned in place).
struct ParamTextBuffer {
    char bytes[32];
};

// The display text of a normalised value: the option name of a List row, "on"/"off" for a
// Toggle row, otherwise the plain value in the shortest form that reads back to the same value
// at single precision (the same float plain value, or the same float normalised value as a host
// holds it), with no unit appended.
// The view points either into `buffer` or at static option text.
std::string_view paramDisplayText(const velmo_param_desc& desc, double normalized,
                                  ParamTextBuffer& buffer);

// Reads an option name, a toggle word or a number (plain units, trailing text ignored) into a
// normalised value. Returns false and leaves `normalized` unchanged when nothing is read.
// Never reads beyond text.size().
bool paramValueFromText(const velmo_param_desc& desc, std::string_view text, double& normalized);

}  // namespace velmo
