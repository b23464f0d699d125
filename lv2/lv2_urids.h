#pragma once
// The URIDs the plug-in reads and writes, mapped once at instantiation.
#include <cstdint>

#include <lv2/urid/urid.h>

namespace velmo::lv2 {

struct Lv2Urids {
    uint32_t midiEvent = 0;
    uint32_t atomString = 0;
    uint32_t atomSequence = 0;
    uint32_t atomInt = 0;
    uint32_t atomLong = 0;
    uint32_t atomFloat = 0;
    uint32_t atomDouble = 0;
    uint32_t atomObject = 0;
    uint32_t atomBlank = 0;
    uint32_t stateDocument = 0;
    uint32_t maxBlockLength = 0;
    uint32_t nominalBlockLength = 0;
    // The UI's messages and the plug-in's answers.
    uint32_t audition = 0;
    uint32_t poll = 0;
    uint32_t ccMap = 0;
    uint32_t levels = 0;
    uint32_t transport = 0;
    uint32_t hostFacts = 0;
    uint32_t bankRequest = 0;
    uint32_t bankReply = 0;
    uint32_t padOverrides = 0;
    // The host's transport.
    uint32_t timePosition = 0;
    uint32_t timeSpeed = 0;
    uint32_t timeBeatsPerMinute = 0;
    uint32_t timeBeatsPerBar = 0;
    uint32_t timeBeatUnit = 0;
    uint32_t timeBeat = 0;
    uint32_t timeBar = 0;
    uint32_t timeBarBeat = 0;
    uint32_t timeFrame = 0;

    static Lv2Urids mapped(const LV2_URID_Map& map);
};

}  // namespace velmo::lv2
