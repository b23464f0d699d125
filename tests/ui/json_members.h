#pragma once
// Object members for the helpers' JSON output: a comma before all but the first.
#include <string>
#include <string_view>

#include "docs/json_write.h"

namespace velmo::uitest {

inline void key(std::string& out, const char* name, bool first) {
    if (!first) out += ',';
    jsonAppendQuoted(out, name);
    out += ':';
}

inline void member(std::string& out, const char* name, double value, bool first = false) {
    key(out, name, first);
    jsonAppendNumber(out, value);
}

inline void member(std::string& out, const char* name, std::string_view text, bool first = false) {
    key(out, name, first);
    jsonAppendQuoted(out, text);
}

}  // namespace velmo::uitest
