#pragma once
// Names the state document uses for the sampler's asset faults, zone programs and bank sources.
#include <cstdint>
#include <string_view>

namespace velmo {

enum SamplerAssetDiagnostic : std::uint32_t {
    kSamplerAssetNone = 0,
    kSamplerAssetMissingInMemory = 0x53410001,
    kSamplerAssetCorruptInMemory = 0x53410002,
    kSamplerAssetMovedInMemory = 0x53410003,
    kSamplerAssetChangedInMemory = 0x53410004,
    kSamplerAssetUnsupportedStereoSource = 0x53410005,
};

// "none" for 0 and for codes outside the table.
const char* samplerAssetFaultName(std::uint32_t code);
// The code of a fault name; 0 for "none" and for unknown names.
std::uint32_t samplerAssetFaultFromName(std::string_view name);

inline constexpr std::uint32_t kSamplerZoneProgramCount = 8;
extern const char* const SAMPLER_ZONE_PROGRAM_NAMES[kSamplerZoneProgramCount];

// "legacy-single-zone" for indexes outside the table.
const char* samplerZoneProgramName(std::uint32_t index);
bool samplerZoneProgramNameKnown(const char* name);
// Index of a program name, 0 for null or unknown names.
std::uint32_t samplerZoneProgramFromName(const char* name);
bool samplerZoneProgramLookup(std::string_view name, std::uint32_t& index);

// "embedded", "module-relative", "user-folder", "hosted"; false for null or anything else.
bool bankSourceNameKnown(const char* name);
bool bankSourceNameKnown(std::string_view name);

}  // namespace velmo
