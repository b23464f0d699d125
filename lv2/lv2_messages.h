#pragma once
// What the UI and the plug-in tell each other through the control input and the notify output:
// atoms of types of our own, each body one fixed-size record (the ones the VST3 processor and
// controller exchange as message payloads where there is one). The UI and the plug-in come from
// the same build, so a record's layout is the same on both sides; a body of the wrong size is
// ignored.
#include <cstdint>
#include <type_traits>

#include "ccmap/cc_map.h"
#include "diagnostics/audition_note.h"
#include "diagnostics/host_facts.h"
#include "diagnostics/output_levels.h"
#include "diagnostics/transport_fact.h"

namespace velmo::lv2 {

// UI to plug-in: a key of the page (AuditionNote), taken at the start of the next run.
inline constexpr const char* kAuditionUri = "https://velmo.music/zuriz/lv2#Audition";
// UI to plug-in: a poll (Poll); answered in the same run on the notify port.
inline constexpr const char* kPollUri = "https://velmo.music/zuriz/lv2#Poll";
// Both ways: the CC map (CcMapRecord). The plug-in adopts what the UI sends and reports its
// own when polled for it and after a state restore.
inline constexpr const char* kCcMapUri = "https://velmo.music/zuriz/lv2#CcMap";
// Plug-in to UI: the output peaks since the last poll (OutputLevels).
inline constexpr const char* kLevelsUri = "https://velmo.music/zuriz/lv2#Levels";
// Plug-in to UI: the host's transport as the plug-in last saw it (TransportFact).
inline constexpr const char* kTransportUri = "https://velmo.music/zuriz/lv2#Transport";

// Plug-in to UI: what the host told the plug-in about processing (HostFacts).
inline constexpr const char* kHostFactsUri = "https://velmo.music/zuriz/lv2#HostFacts";
// UI to plug-in: a bank request as the bank panel makes it ("source\nfolder\nhash\ninstrument"),
// loaded and checked on the host's worker thread.
inline constexpr const char* kBankRequestUri = "https://velmo.music/zuriz/lv2#BankRequest";
// Plug-in to UI: its answer, outcome name, line feed, detail.
inline constexpr const char* kBankReplyUri = "https://velmo.music/zuriz/lv2#BankReply";
// UI to plug-in: the sampler pad overrides as their JSON document, read on the worker thread.
inline constexpr const char* kPadOverridesUri = "https://velmo.music/zuriz/lv2#PadOverrides";
// The longest bank answer passed on; a longer detail is cut.
inline constexpr std::uint32_t kBankReplyCapacity = 2048;

enum PollFlags : std::uint32_t {
    kPollLevels = 1,     // the peaks since the last poll, when a run rendered since
    kPollTransport = 2,  // the transport, when the host has told one
    kPollCcMap = 4,      // the CC map
    kPollHost = 8,       // the host facts
};

struct Poll {
    std::uint32_t flags = 0;
};

struct CcMapRecord {
    std::uint32_t present = 0;  // 0: no map was ever given (saved states then carry none)
    std::uint32_t reserved = 0;
    CcMap map{};
};

static_assert(std::is_trivially_copyable_v<Poll> && std::is_trivially_copyable_v<CcMapRecord>);
static_assert(sizeof(CcMapRecord) + 64 < 8192, "a CC map report fits the notify buffer");

}  // namespace velmo::lv2
