#pragma once
// The page documents every plug-in format builds alike: the opening of the hello (identity,
// the ten parameters, the factory presets) and the factory preset ids the page sends back.
#include <cstdint>
#include <string>
#include <string_view>

#include "params/param_table.h"

namespace velmo {

// `{"type":"velmo.hello","plugin":{…},"params":[…],"factoryPresets":[…]` without the closing
// brace: the caller adds its own members. `normalized` holds the VELMO_PARAM_COUNT values.
std::string beginHelloDocument(const double* normalized);

// A value as the host holds it: the plain value without the step quantisation.
double unquantisedPlain(const velmo_param_desc& row, double normalized);

// "factory-1" … "factory-10" exactly, as the hello names them; false for anything else.
bool factoryPresetIndexFromId(std::string_view id, std::uint32_t& index);

}  // namespace velmo
