#pragma once
// What the processor's messages carry beyond the shared IDs.
#include "diagnostics/message_ids.h"

namespace velmo {

// Identity the runtime health document carries.
inline constexpr const char* kHealthModuleId = "music.velmo.bells";
inline constexpr const char* kHealthVersion = "0.1.0";

}  // namespace velmo
