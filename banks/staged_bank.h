#pragma once
// A bank folder as the loader stages it for the engine, and the outcome of a load.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "docs/bank_outcome.h"

namespace velmo {

// A bank preset: parameter name/value pairs in ascending byte order of the names.
struct BankControlPreset {
    std::string id;
    std::string name;
    std::string instrument;
    std::vector<std::pair<std::string, double>> params;
};

struct StagedPreset {
    BankControlPreset preset;
};

// One instrument or kit the manifest lists; kind is "instruments" or "kits".
struct StagedPositioning {
    std::string id;
    std::string name;
    std::string kind;
};

inline constexpr std::uint32_t kZoneUnset = 0xFFFFFFFFu;

// One sample zone; positions in the arena are counted in samples, frames relative to `start`.
struct StagedZone {
    std::string id;
    std::uint32_t assetStart = 0;
    std::uint32_t assetFrames = 0;
    std::uint32_t loopStartFrameRaw = kZoneUnset;
    std::uint32_t loopEndFrameRaw = kZoneUnset;
    std::uint32_t loopCrossfadeRaw = kZoneUnset;
    std::uint32_t start = 0;
    std::uint32_t frames = 0;
    double sampleRate = 48000.0;
    std::uint32_t lowKey = 0;
    std::uint32_t highKey = 127;
    std::uint32_t rootKey = 60;
    std::uint32_t keyTracking = 1;
    std::uint32_t lowVelocity = 0;
    std::uint32_t highVelocity = 127;
    double gain = 1.0;
    double pan = 0.0;
    double fineTuneCents = 0.0;
    std::uint32_t roundRobinGroup = 0;
    std::uint32_t chokeGroup = 0;
    std::uint32_t trigger = 0;  // 0 attack, 1 release, 2 legato
    std::uint32_t loop = 0;
    std::uint32_t loopStart = 0;
    std::uint32_t loopEnd = 0;
    std::uint32_t loopCrossfade = 0;
    double attackSeconds = 0.001;
    double releaseSeconds = 0.05;
    std::uint32_t reverse = 0;
    double filterCutoffHz = 0.0;
    double filterResonance = 0.0;
};

struct StagedBank {
    std::string id;
    std::string version;
    std::string instrumentId;
    std::string instrumentName;
    std::string instrumentKind;  // "instruments" or "kits"
    std::vector<StagedPositioning> positionings;
    std::vector<StagedPreset> presets;
    std::string sha256;  // of the manifest file's bytes, lower-case hex
    std::string name;
    std::vector<float> samples;  // the arena: mono
    std::vector<StagedZone> zones;
    double sampleRate = 48000.0;
};

struct RuntimeBankLoad {
    int outcome = kBankMissing;
    StagedBank bank;
    std::string message;  // empty on success
};

}  // namespace velmo
