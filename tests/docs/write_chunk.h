#pragma once
// Writes a parsed state record back the way the processor would; the round-trip tests and the
// state fuzz target both compare against it.
#include <string>

#include "docs/state_json.h"

namespace velmo::test {

inline std::string writeChunk(const StateChunk& c) {
    BankStateRefOut bank = bankStateRefOut(c.bank);
    AuthoredStateOut authored{c.authoredBytes.data(), c.authoredBytes.size(), c.authoredVersion};
    return writeStateJson(c.params, c.variation, c.hasCcMap ? &c.ccMap : nullptr,
                          c.samplerAssetFault, c.samplerZoneProgram,
                          c.bank.present ? &bank : nullptr,
                          c.hasPadOverrides ? &c.padOverrides : nullptr,
                          c.hasAuthoredState ? &authored : nullptr);
}

}  // namespace velmo::test
