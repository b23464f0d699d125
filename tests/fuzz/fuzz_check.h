#pragma once
// Shared by the fuzz targets: a failed invariant aborts so libFuzzer keeps the input.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "docs/state_json.h"
#include "tests/docs/write_chunk.h"

#define FUZZ_CHECK(cond)                                                              \
    do {                                                                              \
        if (!(cond)) {                                                                \
            std::fprintf(stderr, "invariant failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
            std::abort();                                                             \
        }                                                                             \
    } while (0)

namespace velmo::fuzz {

using test::writeChunk;

// A parsed state, written, must parse again to a record that writes the same bytes, with the
// sections the writer carries unchanged.
inline void checkStateRoundTrip(const StateChunk& first) {
    const std::string text = writeChunk(first);
    StateChunk second;
    FUZZ_CHECK(parseStateJson(text.data(), text.size(), second));
    FUZZ_CHECK(writeChunk(second) == text);
    for (std::uint32_t i = 0; i < VELMO_PARAM_COUNT; ++i)
        if (first.paramPresent[i]) FUZZ_CHECK(second.params[i] == first.params[i]);
    FUZZ_CHECK(second.variation == (first.variation >= 0 ? first.variation : -1));
    FUZZ_CHECK(second.samplerAssetFault == first.samplerAssetFault);
    FUZZ_CHECK(second.samplerZoneProgram == first.samplerZoneProgram);
    if (first.hasCcMap) FUZZ_CHECK(ccMapsEqual(first.ccMap, second.ccMap));
    if (first.hasPadOverrides && !first.padOverrides.empty())
        FUZZ_CHECK(second.padOverrides == first.padOverrides);
    FUZZ_CHECK(second.hasAuthoredState == first.hasAuthoredState);
    if (first.hasAuthoredState) {
        FUZZ_CHECK(second.authoredBytes == first.authoredBytes);
        FUZZ_CHECK(second.authoredVersion == first.authoredVersion);
    }
    FUZZ_CHECK(second.bank.present == (first.bank.present && first.bank.id[0] != '\0'));
}

}  // namespace velmo::fuzz
