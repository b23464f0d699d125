#pragma once
// The "velmo.lifecycle" documents sent to the editor page: one event, a list, or the whole log.

#include <cstddef>
#include <cstdint>
#include <string>

#include "diagnostics/lifecycle_log.h"

namespace velmo {

void writeDiagnosticLifecycleEventJson(std::string& out, const DiagnosticLifecycleEvent& event);

// The first min(n, 256) events; false (nothing written) for null events or n == 0.
bool writeDiagnosticLifecycleJson(std::string& out, const DiagnosticLifecycleEvent* events,
                                  std::size_t n, std::uint32_t dropped);

// Every stored event, oldest first, with the log's dropped count; false for an empty log.
bool writeDiagnosticLifecycleReplayJson(std::string& out, const DiagnosticLifecycleLog& log);

}  // namespace velmo
