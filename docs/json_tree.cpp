#include "docs/json_tree.h"

#include "docs/json_pull_reader.h"

namespace velmo {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Four hex digits at p (caller checked they are in range).
int readHex4(const char* p) {
    int v = 0;
    for (int k = 0; k < 4; ++k) {
        int d = hexValue(p[k]);
        if (d < 0) return -1;
        v = v * 16 + d;
    }
    return v;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

class JsonReader {
public:
    JsonReader(const char* text, std::size_t length) : r_(text, length) {}

    bool document(JsonValue& root) {
        if (!value(root, 0)) return false;
        skipWhitespace(r_);
        return r_.atEnd();
    }

private:
    bool value(JsonValue& v, int depth) {
        if (depth > kJsonMaxDepth) return false;
        skipWhitespace(r_);
        if (r_.atEnd()) return false;
        switch (*r_.pos) {
            case '"':
                v.kind = JsonValue::String;
                return string(v.string);
            case '[':
                v.kind = JsonValue::Array;
                return array(v, depth);
            case '{':
                v.kind = JsonValue::Object;
                return object(v, depth);
            default:
                break;
        }
        if (consumeWord(r_, "true")) {
            v.kind = JsonValue::Bool;
            v.boolean = true;
            return true;
        }
        if (consumeWord(r_, "false")) {
            v.kind = JsonValue::Bool;
            v.boolean = false;
            return true;
        }
        if (consumeWord(r_, "null")) {
            v.kind = JsonValue::Null;
            return true;
        }
        if (!parseNumber(r_, &v.number)) return false;
        v.kind = JsonValue::Number;
        return true;
    }

    bool array(JsonValue& v, int depth) {
        ++r_.pos;
        if (consumeChar(r_, ']')) return true;
        for (;;) {
            v.array.emplace_back();
            if (!value(v.array.back(), depth + 1)) return false;
            if (consumeChar(r_, ',')) continue;
            return consumeChar(r_, ']');
        }
    }

    bool object(JsonValue& v, int depth) {
        ++r_.pos;
        if (consumeChar(r_, '}')) return true;
        std::string key;
        for (;;) {
            skipWhitespace(r_);
            if (!string(key)) return false;
            if (!consumeChar(r_, ':')) return false;
            JsonValue member;
            if (!value(member, depth + 1)) return false;
            v.object.insert_or_assign(key, std::move(member));
            if (consumeChar(r_, ',')) continue;
            return consumeChar(r_, '}');
        }
    }

    bool string(std::string& out) {
        out.clear();
        if (r_.atEnd() || *r_.pos != '"') return false;
        ++r_.pos;
        while (r_.pos < r_.end) {
            char c = *r_.pos++;
            if (c == '"') return true;
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (r_.pos >= r_.end) return false;
            char e = *r_.pos++;
            switch (e) {
                case '"': case '/': case '\\': out.push_back(e); break;
                case 'b': out.push_back('\b'); break;
                case 'f': out.push_back('\f'); break;
                case 'n': out.push_back('\n'); break;
                case 'r': out.push_back('\r'); break;
                case 't': out.push_back('\t'); break;
                case 'u':
                    if (!unicodeEscape(out)) return false;
                    break;
                default:
                    return false;
            }
        }
        return false;
    }

    // After "\u": four hex digits, joined with a following low-surrogate escape when the first
    // is a high surrogate; a lone surrogate is written as it is.
    bool unicodeEscape(std::string& out) {
        if (r_.end - r_.pos < 4) return false;
        int unit = readHex4(r_.pos);
        if (unit < 0) return false;
        r_.pos += 4;
        std::uint32_t cp = static_cast<std::uint32_t>(unit);
        if (cp >= 0xD800 && cp <= 0xDBFF && r_.end - r_.pos >= 6 && r_.pos[0] == '\\' &&
            r_.pos[1] == 'u') {
            int low = readHex4(r_.pos + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<std::uint32_t>(low) - 0xDC00);
                r_.pos += 6;
            }
        }
        appendUtf8(out, cp);
        return true;
    }

    Reader r_;
};

}  // namespace

const JsonValue* JsonValue::find(std::string_view key) const {
    if (kind != Object) return nullptr;
    auto it = object.find(key);
    return it == object.end() ? nullptr : &it->second;
}

std::string JsonValue::str(std::string_view key, std::string_view fallback) const {
    const JsonValue* member = find(key);
    if (member && member->kind == String) return member->string;
    return std::string(fallback);
}

bool parseJsonDocument(const char* text, std::size_t length, JsonValue& value) {
    value = JsonValue();
    JsonReader reader(text, length);
    return reader.document(value);
}

}  // namespace velmo
