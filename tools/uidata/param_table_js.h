#pragma once
// The editor page's parameter table, taken from params/ so the page never keeps a second copy:
// an ES module written to Resources/ui/js/param_table.js of the bundle, read by params.js.
//
//   export const KIND_CONTINUOUS = 0; ...
//   export const PARAM_ROWS = [
//   {"id":0,"path":"ir.family","name":"Bell","group":"Bell","kind":1,"min":0,"max":4,"step":0,
//    "defaultPlain":0,"unit":"","options":["Carillon",...]},
//   ...];
//
// One row per line, each a JSON object; numbers in shortest round-trip form.
#include <span>
#include <string>

#include "params/param_table.h"

namespace velmo::uidata {

std::string paramTableModule(std::span<const velmo_param_desc> rows = VELMO_PARAMS);

}  // namespace velmo::uidata
