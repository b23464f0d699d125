// parseJsonDocument on exact-size inputs; a parsed tree, written out, reads back equal.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "docs/json_tree.h"
#include "docs/json_write.h"
#include "fuzz_check.h"

namespace {

// Writes a tree back as JSON; false when it holds a number JSON cannot carry.
bool writeTree(std::string& out, const velmo::JsonValue& v) {
    using velmo::JsonValue;
    switch (v.kind) {
        case JsonValue::Null: out += "null"; return true;
        case JsonValue::Bool: out += v.boolean ? "true" : "false"; return true;
        case JsonValue::Number:
            velmo::jsonAppendNumber(out, v.number);
            return std::isfinite(v.number);
        case JsonValue::String: velmo::jsonAppendQuoted(out, v.string); return true;
        case JsonValue::Array: {
            out += '[';
            for (std::size_t i = 0; i < v.array.size(); ++i) {
                if (i) out += ',';
                if (!writeTree(out, v.array[i])) return false;
            }
            out += ']';
            return true;
        }
        case JsonValue::Object: {
            out += '{';
            bool first = true;
            for (const auto& [key, member] : v.object) {
                if (!first) out += ',';
                first = false;
                velmo::jsonAppendQuoted(out, key);
                out += ':';
                if (!writeTree(out, member)) return false;
            }
            out += '}';
            return true;
        }
    }
    return false;
}

bool sameTree(const velmo::JsonValue& a, const velmo::JsonValue& b) {
    if (a.kind != b.kind) return false;
    switch (a.kind) {
        case velmo::JsonValue::Null: return true;
        case velmo::JsonValue::Bool: return a.boolean == b.boolean;
        case velmo::JsonValue::Number: return a.number == b.number;
        case velmo::JsonValue::String: return a.string == b.string;
        case velmo::JsonValue::Array:
            if (a.array.size() != b.array.size()) return false;
            for (std::size_t i = 0; i < a.array.size(); ++i)
                if (!sameTree(a.array[i], b.array[i])) return false;
            return true;
        case velmo::JsonValue::Object: {
            if (a.object.size() != b.object.size()) return false;
            for (auto ia = a.object.begin(), ib = b.object.begin(); ia != a.object.end(); ++ia, ++ib)
                if (ia->first != ib->first || !sameTree(ia->second, ib->second)) return false;
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velmo::JsonValue root;
    if (!velmo::parseJsonDocument(reinterpret_cast<const char*>(data), size, root)) return 0;
    std::string text;
    if (!writeTree(text, root)) return 0;
    velmo::JsonValue again;
    // Raw control bytes and quotes/backslashes are written so that this reader takes them back.
    FUZZ_CHECK(velmo::parseJsonDocument(text.data(), text.size(), again));
    FUZZ_CHECK(sameTree(root, again));
    return 0;
}
