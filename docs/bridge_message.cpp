#include "docs/bridge_message.h"

#include "ccmap/cc_map_json.h"
#include "docs/json_pull_reader.h"
#include "docs/state_json.h"

namespace velmo {
namespace {

struct FeedName {
    const char* name;
    std::uint32_t bit;
};

constexpr FeedName FEED_NAMES[] = {
    {"host", 1},     {"transport", 2}, {"midiIn", 4},    {"midiOut", 8},
    {"meters", 16},  {"scope", 32},    {"lifecycle", 64}, {"counters", 128},
    {"params", 256}, {"presets", 512}, {"clock", 1024},
};

std::string* stringField(BridgeMessage& m, std::string_view key) {
    if (key == "type") return &m.type;
    if (key == "path") return &m.path;
    if (key == "id") return &m.id;
    if (key == "source") return &m.source;
    if (key == "url") return &m.url;
    if (key == "sha256") return &m.sha256;
    if (key == "instrument") return &m.instrument;
    if (key == "bankPath") return &m.bankPath;
    return nullptr;
}

double* numberField(BridgeMessage& m, std::string_view key) {
    if (key == "value") return &m.value;
    if (key == "note") return &m.note;
    if (key == "velocity") return &m.velocity;
    if (key == "hz") return &m.hz;
    return nullptr;
}

bool readMember(Reader& reader, BridgeMessage& m, std::string_view key) {
    if (std::string* field = stringField(m, key)) {
        field->clear();
        return parseString(reader, field);
    }
    if (double* field = numberField(m, key)) {
        if (!parseNumber(reader, field)) return false;
        if (field == &m.value) m.hasValue = true;
        if (field == &m.note) m.hasNote = true;
        return true;
    }
    const char c = reader.peek();
    if (key == "state" && c == '{') {
        if (!parseObject(reader, &m.state, 0, false)) return false;
        m.hasState = true;
        return true;
    }
    if (key == "map" && (c == '{' || c == '[')) {
        bool sawBindingList = false;
        if (!readCcMapValue(reader, 1, m.map, sawBindingList)) return false;
        if (sawBindingList) m.hasMap = true;
        return true;
    }
    if (key == "pads" && c == '{') {
        m.pads.clear();  // a repeated member replaces the earlier set
        if (!parsePadOverrideMap(reader, m.pads)) return false;
        m.hasPads = true;
        return true;
    }
    if (key == "feeds" && c == '[') return parseDiagnosticFeedArray(reader, m.feeds);
    if (key == "stimulus" && c == '{') return parseDiagnosticStimulus(reader, m.stimulusKind);
    return skipValue(reader, 1);
}

}  // namespace

std::uint32_t diagnosticFeedBit(std::string_view name) {
    for (const FeedName& f : FEED_NAMES)
        if (name == f.name) return f.bit;
    return 0;
}

bool parseDiagnosticFeedArray(Reader& reader, std::uint32_t& feeds) {
    if (!consumeChar(reader, '[')) return false;
    if (consumeChar(reader, ']')) return true;
    std::string name;
    for (;;) {
        name.clear();
        if (!parseString(reader, &name)) return false;
        feeds |= diagnosticFeedBit(name);
        if (consumeChar(reader, ',')) continue;
        return consumeChar(reader, ']');
    }
}

bool parseDiagnosticStimulus(Reader& reader, std::string& kind) {
    if (!consumeChar(reader, '{')) return false;
    if (consumeChar(reader, '}')) return true;
    std::string key;
    for (;;) {
        key.clear();
        if (!parseString(reader, &key)) return false;
        if (!consumeChar(reader, ':')) return false;
        if (key == "kind") {
            kind.clear();
            if (!parseString(reader, &kind)) return false;
        } else if (!skipValue(reader, 1)) {
            return false;
        }
        if (consumeChar(reader, ',')) continue;
        return consumeChar(reader, '}');
    }
}

bool parseBridgeMessage(const char* text, std::size_t length, BridgeMessage& message) {
    Reader reader(text, length);
    if (!consumeChar(reader, '{')) return false;
    if (!consumeChar(reader, '}')) {
        std::string key;
        for (;;) {
            key.clear();
            if (!parseString(reader, &key)) return false;
            if (!consumeChar(reader, ':')) return false;
            skipWhitespace(reader);
            if (!readMember(reader, message, key)) return false;
            if (consumeChar(reader, ',')) continue;
            if (consumeChar(reader, '}')) break;
            return false;
        }
    }
    skipWhitespace(reader);
    if (!reader.atEnd()) return false;

    if (message.type == "velmo.diag.subscribe") message.diagRequest = kDiagRequestSubscribe;
    else if (message.type == "velmo.diag.unsubscribe") message.diagRequest = kDiagRequestUnsubscribe;
    else if (message.type == "velmo.diag.stimulus") message.diagRequest = kDiagRequestStimulus;
    return true;
}

}  // namespace velmo
