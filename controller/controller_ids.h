#pragma once
// Ids the controller shows hosts and the page beyond the ten parameters.
#include <cstdint>

#include "pluginterfaces/vst/vsttypes.h"

namespace velmo {

inline constexpr Steinberg::Vst::ParamID PROGRAM_CHANGE_PARAM_ID = 0x3F010001;
inline constexpr Steinberg::Vst::ProgramListID FACTORY_PROGRAM_LIST_ID = 0x3F010001;

}  // namespace velmo
