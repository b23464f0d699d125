// The loader with the fuzzer's bytes as the chosen instrument document of a valid bank in memory.
#include <cstddef>
#include <cstdint>

#include "bank_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static velmo::fuzz::MemoryBank bank;
    bank.put("bank/tower.json", data, size);
    velmo::fuzz::checkLoad(bank.load(0, ""), 0);
    return 0;
}
