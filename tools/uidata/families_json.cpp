#include "tools/uidata/families_json.h"

#include "docs/json_member.h"
#include "kernel/bell_families.h"
#include "params/param_table.h"

namespace velmo::uidata {

std::string familiesJson() {
    std::string out = "{";
    jsonAppendMember(out, "referenceNote", BELLS_REFERENCE_NOTE, true);
    jsonAppendMember(out, "referenceHz", BELLS_REFERENCE_HZ);
    jsonAppendMember(out, "positionFloor", BELL_POSITION_FLOOR);
    out += ",\"families\":[";
    const velmo_param_desc& familyParam = VELMO_PARAMS[0];
    for (int f = 0; f < BELLS_FAMILY_COUNT; ++f) {
        if (f > 0) out += ',';
        out += '{';
        jsonAppendMember(out, "index", f, true);
        jsonAppendMember(out, "name", f < familyParam.optionCount ? familyParam.options[f] : "");
        jsonAppendMember(out, "ringSeconds", FAMILY_DURATION[f]);
        jsonAppendMember(out, "noiseAmount", FAMILY_NOISE_AMOUNT[f]);
        out += ",\"modes\":[";
        for (int m = 0; m < FAMILY_MODE_COUNT[f] && m < MODAL_STRUCK_MAX_MODES; ++m) {
            const int at = f * MODAL_STRUCK_MAX_MODES + m;
            if (m > 0) out += ',';
            out += '{';
            jsonAppendMember(out, "ratio", FAMILY_RATIO[at], true);
            jsonAppendMember(out, "amplitude", FAMILY_AMPLITUDE[at]);
            jsonAppendMember(out, "decay", FAMILY_DECAY[at]);
            out += '}';
        }
        out += "]}";
    }
    out += "]}";
    return out;
}

}  // namespace velmo::uidata
