// parseSamplerPadOverridesJson on exact-size inputs; a parsed set, written, reads back equal.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "docs/pad_overrides.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velmo::SamplerPadOverrides pads;
    if (!velmo::parseSamplerPadOverridesJson(reinterpret_cast<const char*>(data), size, pads)) return 0;
    FUZZ_CHECK(pads.size() <= velmo::kMaxPadOverrides);
    for (const velmo::SamplerPadOverride& p : pads) {
        FUZZ_CHECK(p.fields != 0 && p.fields < 0x8000);
        FUZZ_CHECK(!p.padId.empty() && p.padId.size() <= velmo::kMaxPadIdBytes);
        FUZZ_CHECK(std::isfinite(p.gain) && std::isfinite(p.filterHz));
    }
    std::string text;
    velmo::writeSamplerPadOverridesJson(text, pads);
    velmo::SamplerPadOverrides again;
    FUZZ_CHECK(velmo::parseSamplerPadOverridesJson(text.data(), text.size(), again));
    FUZZ_CHECK(again == pads);
    return 0;
}
