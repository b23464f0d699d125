#include "tools/uidata/param_table_js.h"

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
    const auto key = [&out](const char* name) {
        out += ",\"";
        out += name;
        out += "\":";
    };
    const auto text = [&](const char* name, const char* value) {
        key(name);
        jsonAppendQuoted(out, value);
    };
    const auto number = [&](const char* name, double value) {
        key(name);
        jsonAppendNumber(out, value);
    };
    for (const velmo_param_desc& d : rows) {
        if (&d != rows.data()) out += ",\n";
        out += "{\"id\":";
        jsonAppendNumber(out, d.id);
        text("path", d.path);
        text("name", d.name);
        text("group", d.group);
        number("kind", d.kind);
        number("min", d.minValue);
        number("max", d.maxValue);
        number("step", d.step);
        number("defaultPlain", d.defaultPlain);
        text("unit", d.unit);
        key("options");
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
