#include "tools/uidata/families_json.h"

#include "docs/json_write.h"
#include "kernel/bell_families.h"
#include "params/param_table.h"

namespace velmo::uidata {

namespace {

void member(std::string& out, const char* key, double value) {
    out += '"';
    out += key;
    out += "\":";
    jsonAppendNumber(out, value);
}

}  // namespace

std::string familiesJson() {
    std::string out = "{";
    member(out, "referenceNote", BELLS_REFERENCE_NOTE);
    out += ',';
    member(out, "referenceHz", BELLS_REFERENCE_HZ);
    out += ',';
    member(out, "positionFloor", BELL_POSITION_FLOOR);
    out += ",\"families\":[";
    const velmo_param_desc& familyParam = VELMO_PARAMS[0];
    for (int f = 0; f < BELLS_FAMILY_COUNT; ++f) {
        if (f > 0) out += ',';
        out += '{';
        member(out, "index", f);
        out += ",\"name\":";
        jsonAppendQuoted(out, f < familyParam.optionCount ? familyParam.options[f] : "");
        out += ',';
        member(out, "ringSeconds", FAMILY_DURATION[f]);
        out += ',';
        member(out, "noiseAmount", FAMILY_NOISE_AMOUNT[f]);
        out += ",\"modes\":[";
        for (int m = 0; m < FAMILY_MODE_COUNT[f] && m < MODAL_STRUCK_MAX_MODES; ++m) {
            const int at = f * MODAL_STRUCK_MAX_MODES + m;
            if (m > 0) out += ',';
            out += '{';
            member(out, "ratio", FAMILY_RATIO[at]);
            out += ',';
            member(out, "amplitude", FAMILY_AMPLITUDE[at]);
            out += ',';
            member(out, "decay", FAMILY_DECAY[at]);
            out += '}';
        }
        out += "]}";
    }
    out += "]}";
    return out;
}

}  // namespace velmo::uidata
