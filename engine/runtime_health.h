#pragma once
// The runtime health document "velmo-runtime-health/v1": a snapshot of the diagnostic ring
// as JSON for the controller and the editor page.
#include <cstdint>
#include <string>

#include "engine/runtime_diagnostics.h"

namespace velmo {

// Null moduleId or version are written as "unknown"; a non-finite rate as null.
std::string writeRuntimeHealthJson(const velmo_runtime_diagnostic_ring& ring, const char* moduleId,
                                   const char* version, double sampleRate, int32_t maxBlockFrames,
                                   bool failed);

}  // namespace velmo
