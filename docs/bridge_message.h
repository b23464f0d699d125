#pragma once
// One message posted by the editor page: a JSON object with a "type" and members that depend on
// it. The parser reads every member it knows wherever it stands and skips the rest; the
// dispatcher acts on the record by its type.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ccmap/cc_map.h"
#include "docs/pad_overrides.h"
#include "docs/state_chunk.h"

namespace velmo {

struct Reader;

enum DiagnosticRequest : std::uint8_t {
    kDiagRequestNone = 0,
    kDiagRequestSubscribe = 1,    // "velmo.diag.subscribe"
    kDiagRequestUnsubscribe = 2,  // "velmo.diag.unsubscribe"
    kDiagRequestStimulus = 3,     // "velmo.diag.stimulus"
};

// A large record (it embeds a state record and a CC map): construct one per message.
struct BridgeMessage {
    std::string type;
    std::string path;
    std::string id;
    std::string source;
    std::string bankPath;
    std::string url;
    std::string sha256;
    std::string instrument;
    double value = 0;
    bool hasValue = false;
    double note = 0;
    bool hasNote = false;
    double velocity = 0;
    StateChunk state;
    bool hasState = false;
    CcMap map;
    bool hasMap = false;
    SamplerPadOverrides pads;
    bool hasPads = false;
    std::uint8_t diagRequest = kDiagRequestNone;
    std::uint32_t feeds = 0;  // diagnosticFeedBit values
    double hz = 0;
    std::string stimulusKind;  // the "stimulus" object's "kind"
};

// True when the whole text is one valid message. message must be freshly constructed; on false
// it may hold part of the message and is to be discarded. Reads exactly `length` bytes.
bool parseBridgeMessage(const char* text, std::size_t length, BridgeMessage& message);

// Bit of a diagnostic feed name ("host" 1 ... "clock" 1024), 0 for unknown names.
std::uint32_t diagnosticFeedBit(std::string_view name);

// Section readers of the parser: a "feeds" array of names, a "stimulus" object's "kind".
bool parseDiagnosticFeedArray(Reader& reader, std::uint32_t& feeds);
bool parseDiagnosticStimulus(Reader& reader, std::string& kind);

}  // namespace velmo
