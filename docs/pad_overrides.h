#pragma once
// Per-pad sampler overrides: only explicitly given settings are carried, each marked by its
// presence bit. The same object travels in bridge messages, in the state document, in
// bank-state replies and between controller and processor.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmo {

struct Reader;

enum SamplerPadField : std::uint32_t {
    kPadTranspose = 0x0001,
    kPadFineTune = 0x0002,
    kPadGain = 0x0004,
    kPadPan = 0x0008,
    kPadStart = 0x0010,
    kPadEnd = 0x0020,
    kPadAttack = 0x0040,
    kPadRelease = 0x0080,
    kPadFilterHz = 0x0100,
    kPadResonance = 0x0200,
    kPadReverse = 0x0400,
    kPadMuted = 0x0800,
    kPadChokeGroup = 0x1000,
    kPadRoundRobinGroup = 0x2000,
    kPadVelocitySensitivity = 0x4000,
};

struct SamplerPadOverride {
    std::string padId;       // 1 to 160 bytes
    std::uint32_t fields = 0;  // SamplerPadField bits; a value counts only when its bit is set
    double transpose = 0;
    double fineTune = 0;
    double gain = 1;
    double pan = 0;
    double start = 0;
    double end = 1;
    double attack = 0;
    double release = 0.025;
    double filterHz = 20000;
    double resonance = 0.7;
    double reverse = 0;
    double muted = 0;
    double chokeGroup = 0;
    double roundRobinGroup = 0;
    double velocitySensitivity = 1;

    bool operator==(const SamplerPadOverride&) const = default;
};

inline constexpr std::size_t kMaxPadOverrides = 256;
inline constexpr std::size_t kMaxPadIdBytes = 160;

// At most kMaxPadOverrides entries, unique pad ids, in order of first appearance.
using SamplerPadOverrides = std::vector<SamplerPadOverride>;

// Appends the object; entries with an empty id or no set field are left out.
void writeSamplerPadOverridesJson(std::string& out, const SamplerPadOverrides& overrides);
// The state documents' "sampler" member, `"sampler":{"v":1,"pads":…}`, with no comma before it.
void writeSamplerMemberJson(std::string& out, const SamplerPadOverrides& overrides);

// One whole pad overrides object followed only by whitespace. overrides is replaced only on
// success. Out-of-range or unknown settings are dropped silently; only syntax errors fail.
bool parseSamplerPadOverridesJson(const char* text, std::size_t length,
                                  SamplerPadOverrides& overrides);

// Reads one pad overrides object at the reader's position, adding to `overrides` (callers pass
// an empty list). Used inside the state document and bridge messages.
bool parsePadOverrideMap(Reader& reader, SamplerPadOverrides& overrides);

}  // namespace velmo
