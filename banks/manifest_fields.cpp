#include "banks/manifest_fields.h"

#include <cmath>
#include <limits>

namespace velmo::manifest_fields {

std::string quote(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    out += text;
    out += '"';
    return out;
}

const JsonValue* member(const JsonValue& object, std::string_view key, JsonValue::Kind kind) {
    const JsonValue* v = object.find(key);
    return v != nullptr && v->kind == kind ? v : nullptr;
}

bool present(const JsonValue& object, std::string_view key) {
    const JsonValue* v = object.find(key);
    return v != nullptr && v->kind != JsonValue::Null;
}

double numberOr(const JsonValue& object, std::string_view key, double fallback) {
    const JsonValue* v = member(object, key, JsonValue::Number);
    return v != nullptr ? v->number : fallback;
}

bool boolOr(const JsonValue& object, std::string_view key, bool fallback) {
    const JsonValue* v = member(object, key, JsonValue::Bool);
    return v != nullptr ? v->boolean : fallback;
}

// A frame number or group: not a number, negative or NaN give 0; the fraction is dropped and
std::uint32_t frameValue(const JsonValue& object, std::string_view key) {
    const double v = numberOr(object, key, 0.0);
    if (!(v > 0.0)) return 0;
    if (v >= 4294967295.0) return 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(v);
}

std::uint32_t midiValue(const JsonValue& object, std::string_view key, std::uint32_t fallback) {
    const JsonValue* v = member(object, key, JsonValue::Number);
    if (v == nullptr) return fallback;
    if (v->number > 127.0) return 127;
    if (!(v->number > 0.0)) return 0;
    const double whole = std::floor(v->number);
    return static_cast<std::uint32_t>(v->number - whole >= 0.5 ? whole + 1.0 : whole);
}

std::uint64_t declaredBytes(double v) {
    if (v >= 18446744073709551615.0) return std::numeric_limits<std::uint64_t>::max();
    return static_cast<std::uint64_t>(v);
}

const std::vector<JsonValue>& arrayOf(const JsonValue& object, std::string_view key) {
    static const std::vector<JsonValue> kNone;
    const JsonValue* v = member(object, key, JsonValue::Array);
    return v != nullptr ? v->array : kNone;
}

}  // namespace velmo::manifest_fields
