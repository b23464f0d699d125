#pragma once
// What the controller reports about presets: the factory count, the current preset, the dirty
// flag, the last state size and the bank in use. Plain fixed-size record, filled by the
// controller before each hello.

#include <cstdint>

namespace velmo {

struct BankFacts {
    std::uint32_t present = 0;  // 1 when the record describes a bank
    std::int32_t index = -1;
    char id[128] = {};
    char name[128] = {};
    char kind[16] = {};
    char version[32] = {};
    char sha256[65] = {};
    char source[24] = {};
    char entryId[99] = {};
    std::int32_t zoneCount = -1;
    std::int32_t roundRobinGroups = -1;
    std::int32_t chokeGroups = -1;
    std::int32_t velocityLayers = -1;
    std::int32_t padCount = -1;
};

struct PresetStateFacts {
    std::uint32_t factoryCount = 0;
    char currentId[96] = {};
    char currentName[96] = {};
    bool dirty = false;
    bool userPresetsSupported = false;
    std::int64_t lastStateBytes = -1;
    BankFacts bank;
};

}  // namespace velmo
