#include "docs/json_write.h"

#include <cmath>

#include "docs/number_text.h"

namespace velmo {

void jsonAppendQuoted(std::string& out, std::string_view text) {
    out.push_back('"');
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"' || text[i] == '\\') {
            out.append(text.data() + runStart, i - runStart);
            out.push_back('\\');
            runStart = i;  // the byte itself starts the next run
        }
    }
    out.append(text.data() + runStart, text.size() - runStart);
    out.push_back('"');
}

void jsonAppendNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out.append("null");
        return;
    }
    char buffer[kNumberTextCapacity];
    out.append(buffer, formatShortestNumber(buffer, value));
}

}  // namespace velmo
