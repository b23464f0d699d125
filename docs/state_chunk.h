#pragma once
// One parsed component state document: plain parameter values, variation, CC map, sampler
// settings, pad overrides, authored bytes and the bank reference. Create a fresh one (the
// defaults below) before every parse.
#include <cstdint>
#include <vector>

#include "ccmap/cc_map.h"
#include "docs/pad_overrides.h"
#include "params/param_table.h"

namespace velmo {

// Fixed-size, NUL-terminated texts so the record copies without allocating.
struct BankStateRef {
    char id[128] = {};
    char bankVersion[32] = {};
    char sha256[65] = {};
    char source[24] = {};
    char presetId[64] = {};
    char instrument[64] = {};
    char locator[1024] = {};
    bool hasLocator = false;
    bool present = false;
    bool hasPresetId = false;
};

struct StateChunk {
    double params[VELMO_PARAM_COUNT] = {};  // plain values by parameter id, as given
    bool paramPresent[VELMO_PARAM_COUNT] = {};
    std::int32_t variation = -1;  // -1: not given
    CcMap ccMap;
    bool hasCcMap = false;
    std::uint32_t samplerAssetFault = 0;  // SamplerAssetDiagnostic
    bool hasSamplerAssetFault = false;
    std::uint32_t samplerZoneProgram = 0;  // index into SAMPLER_ZONE_PROGRAM_NAMES
    bool hasSamplerZoneProgram = false;
    SamplerPadOverrides padOverrides;
    bool hasPadOverrides = false;
    std::vector<std::uint8_t> authoredBytes;
    std::uint32_t authoredVersion = 0;
    bool hasAuthoredState = false;
    BankStateRef bank;
};

}  // namespace velmo
