// The loader with the fuzzer's bytes as "bank.json" beside two WAV assets, an instrument
// document and a preset, all held in memory.
#include <cstddef>
#include <cstdint>

#include "bank_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static velmo::fuzz::MemoryBank bank;
    bank.put("bank/bank.json", data, size);
    // The first byte picks the request and the arena, so the instrument lookup and the arena
    // limit are explored too.
    const std::size_t arena = size > 0 ? data[0] % 16 : 0;
    const char* request = size > 0 && (data[0] & 0x10) ? "t" : "";
    velmo::fuzz::checkLoad(bank.load(arena, request), arena);
    return 0;
}
