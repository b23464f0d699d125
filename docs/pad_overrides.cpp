#include "docs/pad_overrides.h"

#include <cmath>
#include <string_view>

#include "docs/json_pull_reader.h"
#include "docs/json_write.h"

namespace velmo {
namespace {

enum class Rule : std::uint8_t { Range, Whole, ZeroOrOne };

struct PadFieldDesc {
    const char* name;
    std::uint32_t bit;
    double SamplerPadOverride::*member;
    double minValue;
    double maxValue;
    Rule rule;
};

// Ascending bit order, which is also the order the writer uses.
constexpr PadFieldDesc PAD_FIELDS[] = {
    {"transpose", kPadTranspose, &SamplerPadOverride::transpose, -24, 24, Rule::Whole},
    {"fineTune", kPadFineTune, &SamplerPadOverride::fineTune, -100, 100, Rule::Range},
    {"gain", kPadGain, &SamplerPadOverride::gain, 0, 4, Rule::Range},
    {"pan", kPadPan, &SamplerPadOverride::pan, -1, 1, Rule::Range},
    {"start", kPadStart, &SamplerPadOverride::start, 0, 1, Rule::Range},
    {"end", kPadEnd, &SamplerPadOverride::end, 0, 1, Rule::Range},
    {"attack", kPadAttack, &SamplerPadOverride::attack, 0, 2, Rule::Range},
    {"release", kPadRelease, &SamplerPadOverride::release, 0.001, 4, Rule::Range},
    {"filterHz", kPadFilterHz, &SamplerPadOverride::filterHz, 20, 20000, Rule::Range},
    {"resonance", kPadResonance, &SamplerPadOverride::resonance, 0.1, 18, Rule::Range},
    {"reverse", kPadReverse, &SamplerPadOverride::reverse, 0, 1, Rule::ZeroOrOne},
    {"muted", kPadMuted, &SamplerPadOverride::muted, 0, 1, Rule::ZeroOrOne},
    {"chokeGroup", kPadChokeGroup, &SamplerPadOverride::chokeGroup, 0, 8, Rule::Whole},
    {"roundRobinGroup", kPadRoundRobinGroup, &SamplerPadOverride::roundRobinGroup, 0, 8,
     Rule::Whole},
    {"velocitySensitivity", kPadVelocitySensitivity, &SamplerPadOverride::velocitySensitivity, 0,
     1, Rule::Range},
};

bool accepts(const PadFieldDesc& f, double v) {
    if (!std::isfinite(v) || v < f.minValue || v > f.maxValue) return false;
    switch (f.rule) {
        case Rule::Whole: return v == std::floor(v);
        case Rule::ZeroOrOne: return v == 0.0 || v == 1.0;
        case Rule::Range: return true;
    }
    return false;
}

void applySetting(SamplerPadOverride& entry, std::string_view name, double value) {
    for (const PadFieldDesc& f : PAD_FIELDS) {
        if (name != f.name) continue;
        if (accepts(f, value)) {
            entry.*f.member = value;
            entry.fields |= f.bit;
        }
        return;
    }
}

// The object value of one pad: numeric settings, anything else skipped at level 2.
bool readPadObject(Reader& reader, SamplerPadOverride& entry, std::string& name) {
    if (!consumeChar(reader, '{')) return false;
    if (consumeChar(reader, '}')) return true;
    for (;;) {
        name.clear();
        if (!parseString(reader, &name)) return false;
        if (!consumeChar(reader, ':')) return false;
        skipWhitespace(reader);
        double value = 0;
        Reader attempt = reader;
        if (parseNumber(attempt, &value)) {
            reader = attempt;
            applySetting(entry, name, value);
        } else if (!skipValue(reader, 2)) {
            return false;
        }
        if (consumeChar(reader, ',')) continue;
        return consumeChar(reader, '}');
    }
}

void keepEntry(SamplerPadOverrides& overrides, SamplerPadOverride&& entry) {
    // Empty ids cannot be written back, so they are not kept either.
    if (entry.fields == 0 || entry.padId.empty() || entry.padId.size() > kMaxPadIdBytes) return;
    for (SamplerPadOverride& existing : overrides) {
        if (existing.padId == entry.padId) {
            existing = std::move(entry);
            return;
        }
    }
    if (overrides.size() < kMaxPadOverrides) overrides.push_back(std::move(entry));
}

}  // namespace

void writeSamplerMemberJson(std::string& out, const SamplerPadOverrides& overrides) {
    out.append("\"sampler\":{\"v\":1,\"pads\":");
    writeSamplerPadOverridesJson(out, overrides);
    out.push_back('}');
}

void writeSamplerPadOverridesJson(std::string& out, const SamplerPadOverrides& overrides) {
    out.push_back('{');
    bool firstEntry = true;
    for (const SamplerPadOverride& entry : overrides) {
        if (entry.padId.empty() || entry.fields == 0) continue;
        if (!firstEntry) out.push_back(',');
        firstEntry = false;
        jsonAppendQuoted(out, entry.padId);
        out.append(":{");
        bool firstField = true;
        for (const PadFieldDesc& f : PAD_FIELDS) {
            if (!(entry.fields & f.bit)) continue;
            if (!firstField) out.push_back(',');
            firstField = false;
            jsonAppendQuoted(out, f.name);
            out.push_back(':');
            jsonAppendNumber(out, entry.*f.member);
        }
        out.push_back('}');
    }
    out.push_back('}');
}

bool parsePadOverrideMap(Reader& reader, SamplerPadOverrides& overrides) {
    if (!consumeChar(reader, '{')) return false;
    if (consumeChar(reader, '}')) return true;
    std::size_t members = 0;
    std::string settingName;
    for (;;) {
        SamplerPadOverride entry;
        if (!parseString(reader, &entry.padId)) return false;
        if (!consumeChar(reader, ':')) return false;
        skipWhitespace(reader);
        ++members;
        if (reader.peek() == '{') {
            if (!readPadObject(reader, entry, settingName)) return false;
            keepEntry(overrides, std::move(entry));
        } else if (!skipValue(reader, 1)) {
            return false;
        }
        if (consumeChar(reader, ',')) continue;
        if (consumeChar(reader, '}')) break;
        return false;
    }
    // An object that names more pads than a set may hold is refused as a whole.
    if (members > kMaxPadOverrides) overrides.clear();
    return true;
}

bool parseSamplerPadOverridesJson(const char* text, std::size_t length,
                                  SamplerPadOverrides& overrides) {
    Reader reader(text, length);
    SamplerPadOverrides fresh;
    if (!parsePadOverrideMap(reader, fresh)) return false;
    skipWhitespace(reader);
    if (!reader.atEnd()) return false;
    overrides = std::move(fresh);
    return true;
}

}  // namespace velmo
