#include "docs/json_pull_reader.h"

#include <cstring>

#include "docs/number_text.h"

namespace velmo {

void skipWhitespace(Reader& reader) {
    while (reader.pos < reader.end) {
        char c = *reader.pos;
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return;
        ++reader.pos;
    }
}

bool consumeChar(Reader& reader, char c) {
    skipWhitespace(reader);
    if (reader.pos < reader.end && *reader.pos == c) {
        ++reader.pos;
        return true;
    }
    return false;
}

bool parseString(Reader& reader, std::string* out) {
    if (!consumeChar(reader, '"')) return false;
    while (reader.pos < reader.end) {
        char c = *reader.pos++;
        if (c == '"') return true;
        if (c != '\\') {
            // Copy the run of plain bytes at once.
            const char* run = reader.pos - 1;
            while (reader.pos < reader.end && *reader.pos != '"' && *reader.pos != '\\')
                ++reader.pos;
            if (out) out->append(run, static_cast<std::size_t>(reader.pos - run));
            continue;
        }
        if (reader.pos >= reader.end) return false;
        char e = *reader.pos++;
        switch (e) {
            case 'b': e = '\b'; break;
            case 'f': e = '\f'; break;
            case 'n': e = '\n'; break;
            case 'r': e = '\r'; break;
            case 't': e = '\t'; break;
            case 'u':
                for (int k = 0; k < 4 && reader.pos < reader.end; ++k) ++reader.pos;
                e = '?';
                break;
            default: break;
        }
        if (out) out->push_back(e);
    }
    return false;
}

bool parseNumber(Reader& reader, double* out) {
    skipWhitespace(reader);
    double value = 0.0;
    std::size_t used = numberFromText(
        std::string_view(reader.pos, static_cast<std::size_t>(reader.end - reader.pos)), value);
    if (used == 0) return false;
    reader.pos += used;
    if (out) *out = value;
    return true;
}

bool consumeWord(Reader& reader, std::string_view word) {
    if (static_cast<std::size_t>(reader.end - reader.pos) < word.size()) return false;
    if (std::memcmp(reader.pos, word.data(), word.size()) != 0) return false;
    reader.pos += word.size();
    return true;
}

bool skipObject(Reader& reader, int depth) {
    if (!consumeChar(reader, '{')) return false;
    if (consumeChar(reader, '}')) return true;
    for (;;) {
        if (!parseString(reader, nullptr)) return false;
        if (!consumeChar(reader, ':')) return false;
        if (!skipValue(reader, depth + 1)) return false;
        if (consumeChar(reader, ',')) continue;
        return consumeChar(reader, '}');
    }
}

bool skipValue(Reader& reader, int depth) {
    skipWhitespace(reader);
    if (depth > kJsonMaxDepth || reader.atEnd()) return false;
    switch (*reader.pos) {
        case '"':
            return parseString(reader, nullptr);
        case '[':
            ++reader.pos;
            if (consumeChar(reader, ']')) return true;
            for (;;) {
                if (!skipValue(reader, depth + 1)) return false;
                if (consumeChar(reader, ',')) continue;
                return consumeChar(reader, ']');
            }
        case '{':
            return skipObject(reader, depth);
        default:
            break;
    }
    // Only the word is compared: "trueish" leaves "ish" for the caller to reject.
    if (consumeWord(reader, "true") || consumeWord(reader, "null") || consumeWord(reader, "false"))
        return true;
    return parseNumber(reader, nullptr);
}

}  // namespace velmo
