#pragma once
// Banks compiled into the product. This instrument carries none; the functions keep the hello
// document's bank reporting in one place should one ever be added.
#include <cstdint>

#include "diagnostics/preset_state_facts.h"

namespace velmo {

std::uint32_t compiledBankCount();

// Resets `facts` to "no bank" (present 0, counts and index -1, texts empty); false when there is
// no compiled bank at `index` (always, here).
bool describeCompiledBank(std::uint32_t index, BankFacts& facts);

}  // namespace velmo
