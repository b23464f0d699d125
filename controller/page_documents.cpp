#include "controller/page_documents.h"

#include "controller/page_channel.h"
#include "docs/json_write.h"
#include "params/factory_presets.h"

namespace velmo {

namespace {

constexpr std::string_view FACTORY_PRESET_PREFIX = "factory-";

}  // namespace

double unquantisedPlain(const velmo_param_desc& row, double normalized) {
    velmo_param_desc unstepped = row;
    unstepped.step = 0.0;
    return velmo_param_to_plain(unstepped, normalized);
}

bool factoryPresetIndexFromId(std::string_view id, std::uint32_t& index) {
    if (id.substr(0, FACTORY_PRESET_PREFIX.size()) != FACTORY_PRESET_PREFIX) return false;
    const std::string_view digits = id.substr(FACTORY_PRESET_PREFIX.size());
    if (digits.empty() || digits.size() > 2 || digits.front() == '0') return false;
    std::uint32_t n = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (n < 1 || n > VELMO_FACTORY_PRESET_COUNT) return false;
    index = n - 1;
    return true;
}

std::string beginHelloDocument(const double* normalized) {
    std::string doc =
        "{\"type\":\"velmo.hello\",\"plugin\":{\"id\":\"music.velmo.bells\",\"name\":\"Zuriz\","
        "\"vendor\":\"Velmo Music\",\"version\":\"0.1.0\"}";

    doc += ",\"params\":[";
    for (std::uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
        const velmo_param_desc& row = VELMO_PARAMS[id];
        doc += id > 0 ? ",{" : "{";
        PageChannel::appendValue(doc, row, unquantisedPlain(row, normalized[id]), normalized[id]);
        doc += '}';
    }
    doc += ']';

    doc += ",\"factoryPresets\":[";
    bool firstPreset = true;
    for (const velmo_factory_preset& preset : VELMO_FACTORY_PRESETS) {
        if (preset.values == nullptr) continue;
        if (!firstPreset) doc += ',';
        firstPreset = false;
        doc += "{\"id\":";
        jsonAppendQuoted(doc, preset.id);
        doc += ",\"name\":";
        jsonAppendQuoted(doc, preset.name);
        doc += ",\"values\":{";
        for (std::uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
            if (id > 0) doc += ',';
            jsonAppendQuoted(doc, VELMO_PARAMS[id].path);
            doc += ':';
            jsonAppendNumber(doc, velmo_param_to_plain(VELMO_PARAMS[id], preset.values[id]));
        }
        doc += "}}";
    }
    doc += ']';
    return doc;
}

}  // namespace velmo
