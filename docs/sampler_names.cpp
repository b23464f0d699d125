#include "docs/sampler_names.h"

namespace velmo {
namespace {

struct FaultName {
    std::uint32_t code;
    const char* name;
};

constexpr FaultName FAULT_NAMES[] = {
    {kSamplerAssetMissingInMemory, "missing-in-memory-asset"},
    {kSamplerAssetCorruptInMemory, "corrupt-in-memory-asset"},
    {kSamplerAssetMovedInMemory, "moved-in-memory-asset"},
    {kSamplerAssetChangedInMemory, "changed-in-memory-asset"},
    {kSamplerAssetUnsupportedStereoSource, "unsupported-stereo-source"},
};

constexpr const char* BANK_SOURCE_NAMES[] = {"embedded", "module-relative", "user-folder",
                                             "hosted"};

}  // namespace

const char* const SAMPLER_ZONE_PROGRAM_NAMES[kSamplerZoneProgramCount] = {
    "legacy-single-zone", "one-shot-drum",    "looped-pad-release", "velocity-round-robin",
    "key-zones-pitch",    "stereo-multi-mic", "choke-and-sustain",  "voice-limit-steal",
};

const char* samplerAssetFaultName(std::uint32_t code) {
    for (const FaultName& f : FAULT_NAMES)
        if (f.code == code) return f.name;
    return "none";
}

std::uint32_t samplerAssetFaultFromName(std::string_view name) {
    for (const FaultName& f : FAULT_NAMES)
        if (name == f.name) return f.code;
    return 0;
}

const char* samplerZoneProgramName(std::uint32_t index) {
    return SAMPLER_ZONE_PROGRAM_NAMES[index < kSamplerZoneProgramCount ? index : 0];
}

bool samplerZoneProgramLookup(std::string_view name, std::uint32_t& index) {
    for (std::uint32_t i = 0; i < kSamplerZoneProgramCount; ++i) {
        if (name == SAMPLER_ZONE_PROGRAM_NAMES[i]) {
            index = i;
            return true;
        }
    }
    return false;
}

bool samplerZoneProgramNameKnown(const char* name) {
    std::uint32_t index = 0;
    return name && samplerZoneProgramLookup(name, index);
}

std::uint32_t samplerZoneProgramFromName(const char* name) {
    std::uint32_t index = 0;
    if (name) samplerZoneProgramLookup(name, index);
    return index;
}

bool bankSourceNameKnown(std::string_view name) {
    for (const char* known : BANK_SOURCE_NAMES)
        if (name == known) return true;
    return false;
}

bool bankSourceNameKnown(const char* name) { return name && bankSourceNameKnown(std::string_view(name)); }

}  // namespace velmo
