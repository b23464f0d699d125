#include "tools/uidata/param_table_js.h"

#include "docs/json_member.h"
#include "docs/json_write.h"

namespace velmo::uidata {

namespace {

void kindConstant(std::string& out, const char* name, uint32_t kind) {
    out += "export const ";
    out += name;
    out += " = ";
    out += std::to_string(kind);
    out += ";\n";
}

}  // namespace

std::string paramTableModule(std::span<const velmo_param_desc> rows) {
    std::string out =
        "// Written by zuriz-uidata from the plug-in's parameter table (params/) as the bundle is\n"
        "// built; the source tree keeps no copy.\n";
    kindConstant(out, "KIND_CONTINUOUS", kParamKindContinuous);
    kindConstant(out, "KIND_LIST", kParamKindList);
    kindConstant(out, "KIND_TOGGLE", kParamKindToggle);
    out += "export const PARAM_ROWS = [\n";
    for (const velmo_param_desc& d : rows) {
        if (&d != rows.data()) out += ",\n";
        out += '{';
        jsonAppendMember(out, "id", d.id, true);
        jsonAppendMember(out, "path", d.path);
        jsonAppendMember(out, "name", d.name);
        jsonAppendMember(out, "group", d.group);
        jsonAppendMember(out, "kind", d.kind);
        jsonAppendMember(out, "min", d.minValue);
        jsonAppendMember(out, "max", d.maxValue);
        jsonAppendMember(out, "step", d.step);
        jsonAppendMember(out, "defaultPlain", d.defaultPlain);
        jsonAppendMember(out, "unit", d.unit);
        jsonAppendKey(out, "options");
        if (d.optionCount > 0 && d.options != nullptr) {
            out += '[';
            for (int32_t i = 0; i < d.optionCount; ++i) {
                if (i > 0) out += ',';
                jsonAppendQuoted(out, d.options[i]);
            }
            out += ']';
        } else {
            out += "null";
        }
        out += '}';
    }
    out += "\n];\n";
    return out;
}

}  // namespace velmo::uidata
