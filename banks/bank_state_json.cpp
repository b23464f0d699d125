#include "banks/bank_state_json.h"

#include "banks/bank_reply.h"
#include "docs/json_write.h"
#include "docs/number_text.h"
#include "params/factory_presets.h"

namespace velmo {

namespace {

void appendIdNameList(std::string& out, const std::string& id, const std::string& name,
                      const std::string& list) {
    out += "{\"id\":";
    jsonAppendQuoted(out, id);
    out += ",\"name\":";
    jsonAppendQuoted(out, name);
    out += ",\"list\":";
    jsonAppendQuoted(out, list);
    out += '}';
}

void appendRuntime(std::string& out, const BankStateView& v) {
    out += ",\"runtime\":{\"source\":";
    jsonAppendQuoted(out, *v.source);
    out += ",\"locator\":";
    jsonAppendQuoted(out, *v.locator);
    if (!v.instrumentId->empty()) {
        out += ",\"instrument\":";
        appendIdNameList(out, *v.instrumentId, *v.instrumentName, *v.instrumentKind);
    }
    out += ",\"positionings\":[";
    for (std::size_t i = 0; i < v.positionings->size(); ++i) {
        if (i > 0) out += ',';
        const std::vector<std::string> f = splitFields((*v.positionings)[i], 3);
        appendIdNameList(out, f[0], f[1], f[2]);
    }
    out += "]}";
}

void appendBankPresets(std::string& out, const std::vector<BankControlPreset>& presets) {
    for (std::size_t i = 0; i < presets.size(); ++i) {
        const BankControlPreset& p = presets[i];
        if (i > 0) out += ',';
        out += "{\"id\":";
        jsonAppendQuoted(out, p.id);
        out += ",\"name\":";
        jsonAppendQuoted(out, p.name);
        out += ",\"instrument\":";
        jsonAppendQuoted(out, p.instrument);
        out += ",\"params\":{";
        for (std::size_t k = 0; k < p.params.size(); ++k) {
            if (k > 0) out += ',';
            jsonAppendQuoted(out, p.params[k].first);
            out += ':';
            appendNumber17g(out, p.params[k].second);
        }
        out += "}}";
    }
}

void appendFactoryPresets(std::string& out) {
    bool first = true;
    for (const velmo_factory_preset& preset : VELMO_FACTORY_PRESETS) {
        if (!first) out += ',';
        first = false;
        out += "{\"id\":";
        jsonAppendQuoted(out, preset.id);
        out += ",\"name\":";
        jsonAppendQuoted(out, preset.name);
        out += '}';
    }
}

}  // namespace

std::string writeBankStateJson(const BankStateView& v) {
    std::string out = "{\"type\":\"velmo.bankState\",\"reason\":";
    jsonAppendQuoted(out, v.reason != nullptr ? v.reason : "query");
    out += ",\"stateVersion\":1,\"pads\":";
    writeSamplerPadOverridesJson(out, v.pads != nullptr ? *v.pads : SamplerPadOverrides{});
    out += ",\"banks\":[]";
    if (v.showRuntime) appendRuntime(out, v);
    const bool bankScoped = v.bankPresets != nullptr;
    out += ",\"presets\":{\"bankScoped\":";
    out += bankScoped ? "true" : "false";
    out += ",\"items\":[";
    if (bankScoped)
        appendBankPresets(out, *v.bankPresets);
    else
        appendFactoryPresets(out);
    out += "]}";
    if (v.errorCode != nullptr) {
        out += ",\"error\":{\"code\":";
        jsonAppendQuoted(out, v.errorCode);
        out += ",\"requestedId\":";
        jsonAppendQuoted(out, v.requestedId != nullptr ? *v.requestedId : std::string());
        out += '}';
    }
    out += '}';
    return out;
}

std::string writeFolderPickedJson(bool ok, const std::string& path, const std::string& error) {
    std::string out = "{\"type\":\"velmo.folderPicked\",\"ok\":";
    out += ok ? "true" : "false";
    if (ok) {
        out += ",\"path\":";
        jsonAppendQuoted(out, path);
    } else if (!error.empty()) {
        out += ",\"error\":";
        jsonAppendQuoted(out, error);
    } else {
        out += ",\"cancelled\":true";
    }
    out += '}';
    return out;
}

std::string writeBankFetchProgressJson(std::uint64_t received, std::uint64_t expected) {
    std::string out = "{\"type\":\"velmo.bankFetchProgress\",\"received\":";
    out += std::to_string(received);
    out += ",\"expected\":";
    out += std::to_string(expected);
    out += '}';
    return out;
}

}  // namespace velmo
