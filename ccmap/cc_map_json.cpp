#include "ccmap/cc_map_json.h"

#include <cmath>
#include <string_view>

#include "docs/json_write.h"
#include "params/param_table.h"

namespace velmo {

namespace {

const char* const CURVE_NAMES[] = {nullptr, "exp", "log", "s-curve"};
const char* const VALUE_MODE_NAMES[] = {nullptr, "relative-signed-bit", "relative-binary-offset",
                                        "relative-twos-complement", "toggle"};
const char* const TAKEOVER_NAMES[] = {nullptr, "pickup", "scaled"};

template <std::size_t N>
const char* enumName(const char* const (&names)[N], uint8_t value) {
    return value < N ? names[value] : nullptr;  // unknown values write as the default
}

template <std::size_t N>
uint8_t enumFromName(const char* const (&names)[N], std::string_view text) {
    for (std::size_t i = 1; i < N; ++i) {
        if (text == names[i]) return static_cast<uint8_t>(i);
    }
    return 0;
}

void appendMember(std::string& out, const char* key) {
    out.push_back(',');
    jsonAppendQuoted(out, key);
    out.push_back(':');
}

void writeBinding(std::string& out, const CcBinding& b) {
    out += "{\"cc\":";
    jsonAppendNumber(out, b.cc);
    appendMember(out, "path");
    jsonAppendQuoted(out, VELMO_PARAMS[b.paramId].path);
    if (b.channel != 0) {
        appendMember(out, "channel");
        jsonAppendNumber(out, b.channel);
    }
    if (b.hasMin) {
        appendMember(out, "min");
        jsonAppendNumber(out, b.minValue);
    }
    if (b.hasMax) {
        appendMember(out, "max");
        jsonAppendNumber(out, b.maxValue);
    }
    if (const char* name = enumName(CURVE_NAMES, b.curve)) {
        appendMember(out, "curve");
        jsonAppendQuoted(out, name);
    }
    if (const char* name = enumName(VALUE_MODE_NAMES, b.valueMode)) {
        appendMember(out, "valueMode");
        jsonAppendQuoted(out, name);
    }
    if (const char* name = enumName(TAKEOVER_NAMES, b.takeover)) {
        appendMember(out, "takeover");
        jsonAppendQuoted(out, name);
    }
    if (!b.enabled) out += ",\"enabled\":false";
    out.push_back('}');
}

// A numeric member: a number is read; any other value is skipped and leaves the field alone.
// NaN is never taken, and bounds must be finite, since neither could be written back.
bool readNumberMember(Reader& reader, int depth, bool finiteOnly, bool& isNumber,
                      double& value) {
    Reader probe = reader;
    double v = 0.0;
    if (parseNumber(probe, &v) && !std::isnan(v) && (!finiteOnly || std::isfinite(v))) {
        reader = probe;
        isNumber = true;
        value = v;
        return true;
    }
    isNumber = false;
    return skipValue(reader, depth);
}

uint8_t roundClamp(double x, double lo, double hi) {
    double r = std::floor(x + 0.5);
    if (r < lo) r = lo;
    if (r > hi) r = hi;
    return static_cast<uint8_t>(r);
}

enum class Member { Cc, Channel, Min, Max, Path, Curve, ValueMode, Takeover, Enabled, Unknown };

Member memberOf(std::string_view key) {
    if (key == "cc") return Member::Cc;
    if (key == "path") return Member::Path;
    if (key == "channel") return Member::Channel;
    if (key == "min") return Member::Min;
    if (key == "max") return Member::Max;
    if (key == "curve") return Member::Curve;
    if (key == "valueMode") return Member::ValueMode;
    if (key == "takeover") return Member::Takeover;
    if (key == "enabled") return Member::Enabled;
    return Member::Unknown;
}

struct PendingBinding {
    CcBinding binding;
    bool hasCc = false;
    bool hasParam = false;
};

// One member value at level `depth`. A string member holding anything but a string fails.
bool readMember(Reader& reader, int depth, Member member, std::string& scratch,
                PendingBinding& pending) {
    CcBinding& b = pending.binding;
    switch (member) {
        case Member::Cc:
        case Member::Channel:
        case Member::Min:
        case Member::Max: {
            bool isNumber = false;
            double x = 0.0;
            const bool bound = member == Member::Min || member == Member::Max;
            if (!readNumberMember(reader, depth, bound, isNumber, x)) return false;
            if (!isNumber) return true;
            if (member == Member::Cc) {
                b.cc = roundClamp(x, 0, 127);
                pending.hasCc = true;
            } else if (member == Member::Channel) {
                b.channel = roundClamp(x, 1, 16);
            } else if (member == Member::Min) {
                b.minValue = x;
                b.hasMin = true;
            } else {
                b.maxValue = x;
                b.hasMax = true;
            }
            return true;
        }
        case Member::Path:
        case Member::Curve:
        case Member::ValueMode:
        case Member::Takeover:
            scratch.clear();
            if (!parseString(reader, &scratch)) return false;
            if (member == Member::Path) {
                const velmo_param_desc* row = findParamByPath(scratch.data(), scratch.size());
                pending.hasParam = row != nullptr;
                b.paramId = row != nullptr ? row->id : 0;
            } else if (member == Member::Curve) {
                b.curve = enumFromName(CURVE_NAMES, scratch);
            } else if (member == Member::ValueMode) {
                b.valueMode = enumFromName(VALUE_MODE_NAMES, scratch);
            } else {
                b.takeover = enumFromName(TAKEOVER_NAMES, scratch);
            }
            return true;
        case Member::Enabled:
            skipWhitespace(reader);
            if (consumeWord(reader, "true")) {
                b.enabled = true;
                return true;
            }
            if (consumeWord(reader, "false")) {
                b.enabled = false;
                return true;
            }
            return skipValue(reader, depth);
        case Member::Unknown:
            break;
    }
    return skipValue(reader, depth);
}

// One binding object at level `depth`; appended to `out` only when it names a CC and a known
// parameter and the map has room. Dropping a binding is not an error.
bool readBinding(Reader& reader, int depth, std::string& scratch, CcMap& out) {
    if (!consumeChar(reader, '{')) return false;
    PendingBinding pending;
    if (!consumeChar(reader, '}')) {
        if (depth + 1 > kJsonMaxDepth) return false;
        for (;;) {
            scratch.clear();
            if (!parseString(reader, &scratch)) return false;
            if (!consumeChar(reader, ':')) return false;
            if (!readMember(reader, depth + 1, memberOf(scratch), scratch, pending)) return false;
            if (consumeChar(reader, ',')) continue;
            if (consumeChar(reader, '}')) break;
            return false;
        }
    }
    if (pending.hasCc && pending.hasParam && out.count < kCcMapCapacity)
        out.bindings[out.count++] = pending.binding;
    return true;
}

// The binding list: an array at level `depth`.
bool readBindingList(Reader& reader, int depth, std::string& scratch, CcMap& out) {
    if (!consumeChar(reader, '[')) return false;
    if (consumeChar(reader, ']')) return true;
    if (depth + 1 > kJsonMaxDepth) return false;
    for (;;) {
        skipWhitespace(reader);
        if (reader.peek() == '{') {
            if (!readBinding(reader, depth + 1, scratch, out)) return false;
        } else if (!skipValue(reader, depth + 1)) {
            return false;
        }
        if (consumeChar(reader, ',')) continue;
        return consumeChar(reader, ']');
    }
}

}  // namespace

void writeCcMapJson(std::string& out, const CcMap& map) {
    out += "{\"version\":1,\"bindings\":[";
    const uint32_t count = map.count < kCcMapCapacity ? map.count : kCcMapCapacity;
    out.reserve(out.size() + 48 * count + 4);  // a typical binding is 30-60 bytes
    bool first = true;
    for (uint32_t i = 0; i < count; ++i) {
        const CcBinding& b = map.bindings[i];
        if (b.paramId >= VELMO_PARAM_COUNT) continue;
        if (!first) out.push_back(',');
        first = false;
        writeBinding(out, b);
    }
    out += "]}";
}

void writeCcMapChangedJson(std::string& out, const CcMap& map) {
    out += "{\"type\":\"velmo.ccMapChanged\",\"map\":";
    writeCcMapJson(out, map);
    out.push_back('}');
}

bool readCcMapValue(Reader& reader, int depth, CcMap& out, bool& sawBindingList) {
    out.count = 0;
    sawBindingList = false;
    skipWhitespace(reader);
    if (depth > kJsonMaxDepth) return false;
    std::string scratch;
    const char first = reader.peek();
    if (first == '[') {
        sawBindingList = true;
        return readBindingList(reader, depth, scratch, out);
    }
    if (first != '{') return skipValue(reader, depth);
    ++reader.pos;
    if (consumeChar(reader, '}')) return true;
    if (depth + 1 > kJsonMaxDepth) return false;
    for (;;) {
        scratch.clear();
        if (!parseString(reader, &scratch)) return false;
        if (!consumeChar(reader, ':')) return false;
        skipWhitespace(reader);
        if (scratch == "bindings" && reader.peek() == '[') {
            sawBindingList = true;
            if (!readBindingList(reader, depth + 1, scratch, out)) return false;
        } else if (!skipValue(reader, depth + 1)) {
            return false;
        }
        if (consumeChar(reader, ',')) continue;
        return consumeChar(reader, '}');
    }
}

bool parseCcMapJson(const char* text, std::size_t length, CcMap& out) {
    if (text == nullptr && length != 0) return false;
    Reader reader(text, length);
    skipWhitespace(reader);
    const char first = reader.peek();
    if (first != '{' && first != '[') return false;
    bool sawBindingList = false;
    if (!readCcMapValue(reader, 0, out, sawBindingList)) return false;
    skipWhitespace(reader);
    return reader.atEnd();
}

}  // namespace velmo
