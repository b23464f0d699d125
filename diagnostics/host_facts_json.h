#pragma once
// Documents describing HostFacts for the editor page: the whole record, the changed fields
// only, and the "velmo.hostChanged" message built on the latter.
#include <cstdint>
#include <string>

#include "diagnostics/host_facts.h"

namespace velmo {

void writeDiagnosticHostJson(std::string& out, const HostFacts& facts);

// Only the members that changed; false (and nothing written) when none did.
bool writeDiagnosticHostDeltaJson(std::string& out, const HostFacts& before, const HostFacts& after);

// {"type":"velmo.hostChanged","host":<delta>[,"event":{...}]}; false when the delta is empty.
bool writeDiagnosticHostChangedJson(std::string& out, const HostFacts& before,
                                    const HostFacts& after, std::uint32_t seq, double timeMs);

}  // namespace velmo
