#pragma once
// The CC map applied: which parameter a controller number on a channel drives (the VST3
// controller answers IMidiMapping with it, the LV2 plug-in maps raw MIDI with it).
#include <algorithm>
#include <cstdint>

#include "ccmap/cc_map.h"
#include "params/param_table.h"

namespace velmo {

struct CcMapping {
    CcMap map{};
    bool present = false;

    // Bus 0 only; channel 0-15 as hosts count, cc 0-127. A binding's channel 0 means any.
    bool assignment(std::int32_t bus, std::int32_t channel, std::int32_t cc, std::uint32_t& paramId) const {
        if (bus != 0 || channel < 0 || channel > 15 || cc < 0 || cc > 127) return false;
        const std::uint32_t count = std::min<std::uint32_t>(map.count, kCcMapCapacity);
        for (std::uint32_t i = 0; i < count; ++i) {
            const CcBinding& b = map.bindings[i];
            if (!b.enabled || b.cc != cc) continue;
            if (b.channel != 0 && b.channel != channel + 1) continue;
            if (b.paramId >= VELMO_PARAM_COUNT) continue;
            paramId = b.paramId;
            return true;
        }
        return false;
    }
};

}  // namespace velmo
