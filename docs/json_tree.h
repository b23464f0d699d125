#pragma once
// The strict tree reader: builds a value tree from a whole document. Used for bank manifests
// and instrument documents, where the shape is not known in advance.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace velmo {

struct JsonValue {
    enum Kind : std::uint8_t { Null = 0, Bool = 1, Number = 2, String = 3, Array = 4, Object = 5 };

    Kind kind = Null;
    bool boolean = false;
    double number = 0.0;
    std::string string;
    std::vector<JsonValue> array;
    std::map<std::string, JsonValue, std::less<>> object;  // byte-wise key order; a repeated key keeps the last

    // Member `key` of an object, or null (also when this is not an object).
    const JsonValue* find(std::string_view key) const;
    // Member `key`'s text when it is a string, otherwise fallback.
    std::string str(std::string_view key, std::string_view fallback) const;
};

// Reads one value (nested at most 32 levels) followed only by whitespace. Strings take the
// escapes \" \/ \\ \b \f \n \r \t and \uXXXX (written as UTF-8, surrogate pairs joined); any
// other escape fails. On failure value holds a partial tree the caller discards.
bool parseJsonDocument(const char* text, std::size_t length, JsonValue& value);
inline bool parseJsonDocument(const std::vector<std::uint8_t>& bytes, JsonValue& value) {
    return parseJsonDocument(reinterpret_cast<const char*>(bytes.data()), bytes.size(), value);
}

}  // namespace velmo
