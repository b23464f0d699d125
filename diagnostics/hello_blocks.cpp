#include "diagnostics/hello_blocks.h"

#include <cstring>
#include <string_view>

#include "diagnostics/host_facts_json.h"
#include "docs/json_write.h"

namespace velmo {
namespace {

const char* targetName(std::uint32_t target) {
    switch (target) {
        case kDiagnosticTargetVst3: return "vst3";
        case kDiagnosticTargetClap: return "clap";
        case kDiagnosticTargetAu: return "au";
        case kDiagnosticTargetStandalone: return "standalone";
        default: return "offline";
    }
}

// Fixed-size text fields may lack a terminator when filled from raw bytes.
template <std::size_t N>
std::string_view field(const char (&text)[N]) {
    return std::string_view(text, strnlen(text, N));
}

void appendInteger(std::string& out, std::int64_t value) { out += std::to_string(value); }

void appendUiBlock(std::string& out, const UiBundleFacts& ui) {
    if (!ui.any()) return;
    out += ",\"ui\":{";
    bool first = true;
    const auto member = [&](const char* key, std::string_view value) {
        if (value.empty()) return;
        if (!first) out += ',';
        first = false;
        jsonAppendQuoted(out, key);
        out += ':';
        jsonAppendQuoted(out, value);
    };
    member("buildTime", field(ui.buildTime));
    member("sourceRevision", field(ui.sourceRevision));
    member("sha256", field(ui.sha256));
    out += '}';
}

}  // namespace

void writeDiagnosticIdentityJson(std::string& out, std::uint32_t target) {
    writeDiagnosticIdentityJson(out, target, uiBundleFacts());
}

void writeDiagnosticIdentityJson(std::string& out, std::uint32_t target, const UiBundleFacts& ui) {
    out += "{\"moduleId\":\"music.velmo.bells\",\"name\":\"Zuriz\",\"vendor\":\"Velmo Music\","
           "\"version\":\"0.1.0\",\"hostClass\":\"instrument\",\"target\":";
    jsonAppendQuoted(out, targetName(target));
    out += ",\"sdkVersion\":\"0.0.0\",\"build\":{\"mode\":\"production\",\"configuration\":\"Release\"}";
    appendUiBlock(out, ui);
    out += ",\"ratePolicy\":{\"mode\":\"host-native\"},\"state\":{\"version\":1,\"maxBytes\":65536},"
           "\"ports\":[{\"id\":\"out\",\"kind\":\"audio\",\"direction\":\"output\",\"busRole\":\"main\","
           "\"channels\":2},{\"id\":\"midi-in\",\"kind\":\"midi\",\"direction\":\"input\","
           "\"busRole\":\"main\"}]}";
}

void writeDiagnosticCapabilitiesJson(std::string& out) {
    out += "{\"feeds\":[],\"commands\":[],\"maxFeedHz\":0}";
}

void writeDiagnosticPresetStateJson(std::string& out, const PresetStateFacts& presetState) {
    out += "{\"factoryCount\":";
    appendInteger(out, presetState.factoryCount);
    if (presetState.currentId[0] != '\0') {
        out += ",\"currentId\":";
        jsonAppendQuoted(out, field(presetState.currentId));
    }
    if (presetState.currentName[0] != '\0') {
        out += ",\"currentName\":";
        jsonAppendQuoted(out, field(presetState.currentName));
    }
    out += presetState.dirty ? ",\"dirty\":true" : ",\"dirty\":false";
    out += presetState.userPresetsSupported ? ",\"userPresetsSupported\":true"
                                            : ",\"userPresetsSupported\":false";
    if (presetState.lastStateBytes >= 0) {
        out += ",\"lastStateBytes\":";
        appendInteger(out, presetState.lastStateBytes);
    }
    if (presetState.bank.present == 1 && presetState.bank.id[0] != '\0') {
        out += ",\"bank\":";
        writeDiagnosticBankJson(out, presetState.bank);
    }
    out += '}';
}

void writeDiagnosticBankJson(std::string& out, const BankFacts& bank) {
    out += "{\"id\":";
    jsonAppendQuoted(out, field(bank.id));
    const auto text = [&](const char* key, std::string_view value) {
        if (value.empty()) return;
        out += ',';
        jsonAppendQuoted(out, key);
        out += ':';
        jsonAppendQuoted(out, value);
    };
    text("name", field(bank.name));
    text("kind", field(bank.kind));
    text("version", field(bank.version));
    text("sha256", field(bank.sha256));
    text("source", field(bank.source));
    text("entryId", field(bank.entryId));
    const auto count = [&](const char* key, std::int32_t value) {
        if (value < 0) return;
        out += ',';
        jsonAppendQuoted(out, key);
        out += ':';
        appendInteger(out, value);
    };
    count("index", bank.index);
    count("zoneCount", bank.zoneCount);
    count("roundRobinGroups", bank.roundRobinGroups);
    count("chokeGroups", bank.chokeGroups);
    count("velocityLayers", bank.velocityLayers);
    count("padCount", bank.padCount);
    out += '}';
}

void writeDiagnosticBanksJson(std::string& /*out*/) {}

void appendDiagnosticHelloBlocks(std::string& out, std::uint32_t target, const HostFacts& hostFacts,
                                 const PresetStateFacts& presetState) {
    out += ",\"identity\":";
    writeDiagnosticIdentityJson(out, target);
    if (hostFacts.sampleRate > 0.0) {
        out += ",\"host\":";
        writeDiagnosticHostJson(out, hostFacts);
    }
    out += ",\"diagnostics\":";
    writeDiagnosticCapabilitiesJson(out);
    out += ",\"presetState\":";
    writeDiagnosticPresetStateJson(out, presetState);
}

}  // namespace velmo
