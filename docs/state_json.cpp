#include "docs/state_json.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

#include "ccmap/cc_map_json.h"
#include "docs/base64.h"
#include "docs/json_pull_reader.h"
#include "docs/json_write.h"
#include "docs/sampler_names.h"

namespace velmo {
namespace {

constexpr std::size_t kStateReserve = 391;

bool given(const char* text) { return text && text[0] != '\0'; }

void appendMember(std::string& out, const char* key, const char* text) {
    out.push_back(',');
    jsonAppendQuoted(out, key);
    out.push_back(':');
    jsonAppendQuoted(out, text);
}

// Truncation toward zero that saturates instead of overflowing; NaN gives `nanValue`.
template <typename Int>
Int truncateSaturated(double v, Int nanValue) {
    if (std::isnan(v)) return nanValue;
    if (v <= static_cast<double>(std::numeric_limits<Int>::min()))
        return std::numeric_limits<Int>::min();
    if (v >= static_cast<double>(std::numeric_limits<Int>::max()))
        return std::numeric_limits<Int>::max();
    return static_cast<Int>(v);
}

template <std::size_t N>
void storeText(char (&field)[N], const std::string& text) {
    std::size_t n = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

template <std::size_t N>
void clearText(char (&field)[N]) {
    field[0] = '\0';
}

// Shared shape of the section readers: '{', members until '}', each handed to `member` with
// the reader placed at its value.
template <typename MemberFn>
bool walkObject(Reader& reader, std::string& key, MemberFn&& member) {
    if (!consumeChar(reader, '{')) return false;
    if (consumeChar(reader, '}')) return true;
    for (;;) {
        key.clear();
        if (!parseString(reader, &key)) return false;
        if (!consumeChar(reader, ':')) return false;
        skipWhitespace(reader);
        if (!member(std::string_view(key))) return false;
        if (consumeChar(reader, ',')) continue;
        return consumeChar(reader, '}');
    }
}

bool readParamValue(Reader& reader, StateChunk& chunk, std::string_view path, int depth) {
    double value = 0;
    char c = reader.peek();
    if (c == 't') {
        if (!consumeWord(reader, "true")) return false;
        value = 1.0;
    } else if (c == 'f') {
        if (!consumeWord(reader, "false")) return false;
        value = 0.0;
    } else {
        Reader attempt = reader;
        if (!parseNumber(attempt, &value)) return skipValue(reader, depth + 1);
        reader = attempt;
        // Our writer never emits a non-finite value; one coming from elsewhere must not
        // reach the sound engine.
        if (!std::isfinite(value)) return true;
    }
    if (const velmo_param_desc* desc = findParamByPath(path.data(), path.size())) {
        chunk.params[desc->id] = value;
        chunk.paramPresent[desc->id] = true;
    }
    return true;
}

bool readRequiredString(Reader& reader, std::string& out) {
    out.clear();
    return parseString(reader, &out);
}

bool readSampler(Reader& reader, StateChunk& chunk) {
    std::string key;
    bool versionOne = false;
    bool padsRead = false;
    SamplerPadOverrides pads;
    bool ok = walkObject(reader, key, [&](std::string_view name) {
        if (name == "v") {
            double v = 0;
            if (!parseNumber(reader, &v)) return false;
            versionOne = v == 1.0;
            return true;
        }
        if (name == "pads" && reader.peek() == '{') {
            pads.clear();
            padsRead = true;
            return parsePadOverrideMap(reader, pads);
        }
        return skipValue(reader, 1);
    });
    if (!ok) return false;
    if (versionOne && padsRead) {
        chunk.padOverrides = std::move(pads);
        chunk.hasPadOverrides = true;
    }
    return true;
}

bool readAuthoredState(Reader& reader, StateChunk& chunk) {
    std::string key;
    std::string bytes;
    bool bytesRead = false;
    std::uint32_t version = 0;
    bool ok = walkObject(reader, key, [&](std::string_view name) {
        if (name == "v") {
            double v = 0;
            if (!parseNumber(reader, &v)) return false;
            version = v < 0 ? 0u : truncateSaturated<std::uint32_t>(v, 0u);
            return true;
        }
        if (name == "bytes" && reader.peek() == '"') {
            bytesRead = true;
            return readRequiredString(reader, bytes);
        }
        return skipValue(reader, 1);
    });
    if (!ok) return false;
    if (bytesRead && !bytes.empty()) {
        std::vector<std::uint8_t> decoded;
        if (base64Decode(bytes, decoded, kMaxAuthoredStateBytes)) {
            chunk.authoredBytes = std::move(decoded);
            chunk.authoredVersion = version;
            chunk.hasAuthoredState = true;
        }
    }
    return true;
}

bool readBank(Reader& reader, BankStateRef& bank) {
    struct Texts {
        std::string id, bankVersion, sha256, source, presetId, instrument, locator;
    } t;
    std::string key;
    bool ok = walkObject(reader, key, [&](std::string_view name) {
        std::string* target = name == "id"            ? &t.id
                              : name == "bankVersion" ? &t.bankVersion
                              : name == "sha256"      ? &t.sha256
                              : name == "source"      ? &t.source
                              : name == "presetId"    ? &t.presetId
                              : name == "instrument"  ? &t.instrument
                              : name == "locator"     ? &t.locator
                                                      : nullptr;
        if (target && reader.peek() == '"') return readRequiredString(reader, *target);
        return skipValue(reader, 1);
    });
    if (!ok) return false;

    if (t.id.empty()) return true;
    if (t.id.size() >= sizeof bank.id) {
        clearText(bank.id);
        bank.present = false;
        return true;
    }
    storeText(bank.id, t.id);
    if (t.bankVersion.size() < sizeof bank.bankVersion) storeText(bank.bankVersion, t.bankVersion);
    else clearText(bank.bankVersion);
    if (t.sha256.size() < sizeof bank.sha256) storeText(bank.sha256, t.sha256);
    else clearText(bank.sha256);
    if (bankSourceNameKnown(std::string_view(t.source))) storeText(bank.source, t.source);
    bank.present = true;
    if (!t.locator.empty()) {
        bank.hasLocator = t.locator.size() < sizeof bank.locator;
        if (bank.hasLocator) storeText(bank.locator, t.locator);
        else clearText(bank.locator);
    }
    if (!t.presetId.empty()) {
        bank.hasPresetId = t.presetId.size() < sizeof bank.presetId;
        if (bank.hasPresetId) storeText(bank.presetId, t.presetId);
        else clearText(bank.presetId);
    }
    if (!t.instrument.empty()) {
        if (t.instrument.size() < sizeof bank.instrument) storeText(bank.instrument, t.instrument);
        else clearText(bank.instrument);
    }
    return true;
}

bool readRootMember(Reader& reader, StateChunk& chunk, std::string_view name, int depth,
                    std::string& text) {
    const int level = depth + 1;  // level of this member's value
    const char c = reader.peek();
    if (name == "params") {
        if (c != '{') return false;
        return parseObject(reader, &chunk, level, true);
    }
    if (name == "variation") {
        double v = 0;
        if (!parseNumber(reader, &v)) return false;
        chunk.variation = truncateSaturated<std::int32_t>(v, -1);
        return true;
    }
    if (name == "ccMap" && (c == '{' || c == '[')) {
        bool sawBindingList = false;
        if (!readCcMapValue(reader, level, chunk.ccMap, sawBindingList)) return false;
        if (sawBindingList) chunk.hasCcMap = true;
        return true;
    }
    if (name == "samplerAssetFault") {
        if (!readRequiredString(reader, text)) return false;
        chunk.samplerAssetFault = samplerAssetFaultFromName(text);
        chunk.hasSamplerAssetFault = chunk.samplerAssetFault != 0;
        return true;
    }
    if (name == "samplerZoneProgram") {
        if (!readRequiredString(reader, text)) return false;
        std::uint32_t index = 0;
        if (samplerZoneProgramLookup(text, index)) {
            chunk.samplerZoneProgram = index;
            chunk.hasSamplerZoneProgram = true;
        }
        return true;
    }
    if (name == "sampler" && c == '{') return readSampler(reader, chunk);
    if (name == "authoredState" && c == '{') return readAuthoredState(reader, chunk);
    if (name == "bank" && c == '{') return readBank(reader, chunk.bank);
    return skipValue(reader, level);
}

}  // namespace

BankStateRefOut bankStateRefOut(const BankStateRef& ref) {
    auto text = [](const char* field) { return field[0] ? field : nullptr; };
    BankStateRefOut out;
    out.id = text(ref.id);
    out.bankVersion = text(ref.bankVersion);
    out.sha256 = text(ref.sha256);
    out.source = text(ref.source);
    out.presetId = text(ref.presetId);
    out.instrument = text(ref.instrument);
    out.locator = text(ref.locator);
    return out;
}

std::string writeStateJson(const double* params, std::int32_t variation, const CcMap* ccMap,
                           std::uint32_t samplerAssetFault, std::uint32_t samplerZoneProgram,
                           const BankStateRefOut* bankRef, const SamplerPadOverrides* padOverrides,
                           const AuthoredStateOut* authored) {
    std::string out;
    out.reserve(kStateReserve);
    out.append("{\"params\":{");
    for (std::uint32_t i = 0; i < VELMO_PARAM_COUNT; ++i) {
        if (i) out.push_back(',');
        jsonAppendQuoted(out, VELMO_PARAMS[i].path);
        out.push_back(':');
        jsonAppendNumber(out, params[i]);
    }
    out.push_back('}');
    if (variation >= 0) {
        out.append(",\"variation\":");
        jsonAppendNumber(out, variation);
    }
    if (ccMap) {
        out.append(",\"ccMap\":");
        writeCcMapJson(out, *ccMap);
    }
    if (samplerAssetFault != 0) {
        out.append(",\"samplerAssetFault\":");
        jsonAppendQuoted(out, samplerAssetFaultName(samplerAssetFault));
    }
    if (samplerZoneProgram != 0) {
        out.append(",\"samplerZoneAbi\":\"velmo-dual-stack-sampler/zone-layer/v1\","
                   "\"samplerZoneVersion\":1,\"samplerZoneProgram\":");
        jsonAppendQuoted(out, samplerZoneProgramName(samplerZoneProgram));
    }
    if (padOverrides && !padOverrides->empty()) {
        out.push_back(',');
        writeSamplerMemberJson(out, *padOverrides);
    }
    if (bankRef && given(bankRef->id)) {
        out.append(",\"bank\":{\"version\":1");
        appendMember(out, "id", bankRef->id);
        if (given(bankRef->bankVersion)) appendMember(out, "bankVersion", bankRef->bankVersion);
        if (given(bankRef->sha256)) appendMember(out, "sha256", bankRef->sha256);
        if (given(bankRef->locator)) appendMember(out, "locator", bankRef->locator);
        appendMember(out, "source", given(bankRef->source) ? bankRef->source : "embedded");
        if (given(bankRef->instrument)) appendMember(out, "instrument", bankRef->instrument);
        if (given(bankRef->presetId)) appendMember(out, "presetId", bankRef->presetId);
        out.push_back('}');
    }
    if (authored && authored->bytes && authored->count) {
        out.append(",\"authoredState\":{\"v\":");
        jsonAppendNumber(out, authored->version);
        out.append(",\"bytes\":\"");
        base64Append(out, authored->bytes, authored->count);
        out.append("\"}");
    }
    out.push_back('}');
    return out;
}

bool parseObject(Reader& reader, StateChunk* chunk, int depth, bool inParams) {
    if (!chunk) return skipObject(reader, depth);
    std::string key;
    std::string text;
    return walkObject(reader, key, [&](std::string_view name) {
        return inParams ? readParamValue(reader, *chunk, name, depth)
                        : readRootMember(reader, *chunk, name, depth, text);
    });
}

bool parseStateJson(const char* text, std::size_t length, StateChunk& chunk) {
    Reader reader(text, length);
    skipWhitespace(reader);
    if (reader.peek() != '{') return false;
    if (!parseObject(reader, &chunk, 0, false)) return false;
    skipWhitespace(reader);
    return reader.atEnd();
}

}  // namespace velmo
