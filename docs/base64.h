#pragma once
// Base64 with the standard alphabet and "=" padding, no line breaks.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmo {

void base64Append(std::string& out, const std::uint8_t* bytes, std::size_t count);

// 0-63 for an alphabet character, -1 for anything else ("=" included).
int base64Digit(char c);

// Decodes the whole text. Fails on a length that is not a multiple of 4, a character outside
// the alphabet (whitespace too), misplaced padding, or a decoded size above maxBytes (out is
// then untouched). On other failures out holds garbage the caller discards.
bool base64Decode(std::string_view text, std::vector<std::uint8_t>& out, std::size_t maxBytes);

}  // namespace velmo
