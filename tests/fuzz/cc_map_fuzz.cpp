// parseCcMapJson on exact-size inputs; a parsed map, written, reads back equal.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ccmap/cc_map_json.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velmo::CcMap map;
    if (!velmo::parseCcMapJson(reinterpret_cast<const char*>(data), size, map)) return 0;
    FUZZ_CHECK(map.count <= velmo::kCcMapCapacity);
    for (std::uint32_t i = 0; i < map.count; ++i) {
        FUZZ_CHECK(map.bindings[i].paramId < velmo::VELMO_PARAM_COUNT);
        FUZZ_CHECK(map.bindings[i].cc <= 127 && map.bindings[i].channel <= 16);
    }
    std::string text;
    velmo::writeCcMapJson(text, map);
    velmo::CcMap again;
    FUZZ_CHECK(velmo::parseCcMapJson(text.data(), text.size(), again));
    FUZZ_CHECK(velmo::ccMapsEqual(again, map));
    return 0;
}
