#pragma once
// The writers every JSON document of the plug-in is built with. Each appends to a
// caller-owned string and never fails.
#include <string>
#include <string_view>

namespace velmo {

// A double-quoted string: only '"' and '\' are escaped (with a backslash); every other byte,
// control characters and UTF-8 included, is written as it is.
void jsonAppendQuoted(std::string& out, std::string_view text);
// For NUL-terminated texts (text must not be null).
inline void jsonAppendQuoted(std::string& out, const char* text) {
    jsonAppendQuoted(out, std::string_view(text));
}

// Shortest text that reads back to the same double (fixed or exponent form, as std::to_chars
// writes it: 0.5, 1, 1e+05, -0); "null" when the value is not finite.
void jsonAppendNumber(std::string& out, double value);

}  // namespace velmo
