#pragma once
// Reading the fields of bank manifests and instrument documents as the loader accepts them:
// wrong kinds fall back, numbers are clamped into what the bank can hold.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "docs/json_tree.h"

namespace velmo::manifest_fields {

std::string quote(std::string_view text);
const JsonValue* member(const JsonValue& object, std::string_view key, JsonValue::Kind kind);
bool present(const JsonValue& object, std::string_view key);
double numberOr(const JsonValue& object, std::string_view key, double fallback);
bool boolOr(const JsonValue& object, std::string_view key, bool fallback);
// A frame number or group: not a number, negative or NaN give 0; the fraction is dropped and
// values past the 32-bit range stop at its top.
std::uint32_t frameValue(const JsonValue& object, std::string_view key);
// Keys and velocities: above 127 is 127, above 0 rounds half up, anything else is 0.
std::uint32_t midiValue(const JsonValue& object, std::string_view key, std::uint32_t fallback);
// The fraction is dropped; a value past what a file can hold stops at the top of the range.
std::uint64_t declaredBytes(double v);
const std::vector<JsonValue>& arrayOf(const JsonValue& object, std::string_view key);

}  // namespace velmo::manifest_fields
