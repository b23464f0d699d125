#pragma once
// Ids the controller shows hosts and the page beyond the ten parameters.
#include <cstdint>

#include "pluginterfaces/vst/vsttypes.h"

namespace velmo {

inline constexpr Steinberg::Vst::ParamID PROGRAM_CHANGE_PARAM_ID = 0x3F010001;
inline constexpr Steinberg::Vst::ProgramListID FACTORY_PROGRAM_LIST_ID = 0x3F010001;

// Feed bits of the page's diagnostic subscription that the controller acts on.
inline constexpr std::uint32_t DIAGNOSTIC_FEED_TRANSPORT = 2;
inline constexpr std::uint32_t DIAGNOSTIC_FEED_METERS = 16;
inline constexpr std::uint32_t DIAGNOSTIC_FEED_LIFECYCLE = 64;

}  // namespace velmo
