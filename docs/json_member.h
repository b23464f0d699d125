#pragma once
// An object's members, `"name":value`, with a comma before all but the first.
#include <string>
#include <string_view>

#include "docs/json_write.h"

namespace velmo {

inline void jsonAppendKey(std::string& out, std::string_view name, bool first = false) {
    if (!first) out += ',';
    jsonAppendQuoted(out, name);
    out += ':';
}

inline void jsonAppendMember(std::string& out, std::string_view name, double value, bool first = false) {
    jsonAppendKey(out, name, first);
    jsonAppendNumber(out, value);
}

inline void jsonAppendMember(std::string& out, std::string_view name, std::string_view text,
                             bool first = false) {
    jsonAppendKey(out, name, first);
    jsonAppendQuoted(out, text);
}

}  // namespace velmo
