// Prints each parameter's path, stored default and the plug-in's own display texts at a few
// values as one JSON document, so the page's conversions and formatting are checked against
// them (the table's rows themselves: tests/uidata).
#include <cstdio>
#include <string>

#include "docs/json_member.h"
#include "docs/json_write.h"
#include "params/factory_presets.h"
#include "params/param_table.h"
#include "params/param_text.h"

int main() {
    using namespace velmo;
    // 0, the default and 1, plus values whose shortest text is long or in exponent form.
    const double extra[] = {0.5, 1e-5, 3e-7, 0.123456789, 0.3, 0.7, 0.999999, 0.0625};
    std::string out = "[";
    for (uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
        const velmo_param_desc& d = VELMO_PARAMS[id];
        if (id > 0) out += ',';
        out += '{';
        jsonAppendMember(out, "path", d.path, true);
        jsonAppendMember(out, "defaultNormalized", d.defaultNormalized);
        out += ",\"texts\":[";
        auto text = [&](double n, bool first) {
            ParamTextBuffer buffer;
            if (!first) out += ',';
            out += '[';
            jsonAppendNumber(out, n);
            out += ',';
            jsonAppendQuoted(out, paramDisplayText(d, n, buffer));
            out += ']';
        };
        text(0.0, true);
        text(d.defaultNormalized, false);
        text(1.0, false);
        for (const double n : extra) text(n, false);
        // Values as a host hands them back (floats), across the range and at every preset.
        for (int i = 0; i <= 1000; ++i) text(static_cast<float>(i / 1000.0), false);
        for (const velmo_factory_preset& preset : VELMO_FACTORY_PRESETS)
            if (preset.values != nullptr) text(static_cast<float>(preset.values[id]), false);
        out += "]}";
    }
    out += "]\n";
    std::fputs(out.c_str(), stdout);
    return 0;
}
