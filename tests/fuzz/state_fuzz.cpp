// parseStateJson on exact-size inputs; a parsed state must survive being written again.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velmo::StateChunk chunk;
    if (velmo::parseStateJson(reinterpret_cast<const char*>(data), size, chunk))
        velmo::fuzz::checkStateRoundTrip(chunk);
    return 0;
}
