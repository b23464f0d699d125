#pragma once
// The pull reader the documents are walked with: a cursor over bytes it does not own. Every
// function advances past what it consumed and returns true on success; on failure the cursor is
// left where the fault was found and the caller treats the document as malformed. Nothing here
// reads a byte at or beyond `end`, and nothing allocates except the strings it is asked to fill.
#include <cstddef>
#include <string>
#include <string_view>

namespace velmo {

struct Reader {
    const char* pos;
    const char* end;

    Reader(const char* text, std::size_t length) : pos(text), end(text + length) {}
    explicit Reader(std::string_view text) : Reader(text.data(), text.size()) {}

    bool atEnd() const { return pos >= end; }
    // The next byte, or '\0' at the end (callers never need to tell the two apart).
    char peek() const { return pos < end ? *pos : '\0'; }
};

// Values nested deeper than this level make the document fail.
inline constexpr int kJsonMaxDepth = 32;

// Skips space, tab, line feed and carriage return (nothing else).
void skipWhitespace(Reader& reader);

// Skips whitespace, then consumes `c` if it is the next byte.
bool consumeChar(Reader& reader, char c);

// A quoted string. \b \f \n \r \t are decoded, \uXXXX becomes one '?' (up to four following
// bytes are consumed unchecked), any other escaped byte stands for itself. Raw bytes are taken
// as they are. Appends to *out when out is given, else only skips.
bool parseString(Reader& reader, std::string* out);

// A number as strtod reads it in the C locale (sign, hex, inf, nan...), starting right after
// the skipped whitespace. Stores into *out when given.
bool parseNumber(Reader& reader, double* out);

// Skips one value of any kind. depth is the level of the value: a root object's members are
// at level 1 and each container adds one; a value deeper than kJsonMaxDepth fails.
bool skipValue(Reader& reader, int depth);

// Skips one object whose members sit at depth + 1.
bool skipObject(Reader& reader, int depth);

// True when the remaining text starts with `word`; consumes it then.
bool consumeWord(Reader& reader, std::string_view word);

}  // namespace velmo
