#include "diagnostics/compiled_banks.h"

namespace velmo {

std::uint32_t compiledBankCount() { return 0; }

bool describeCompiledBank(std::uint32_t /*index*/, BankFacts& facts) {
    facts = BankFacts{};
    return false;
}

}  // namespace velmo
