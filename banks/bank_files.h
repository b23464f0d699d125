#pragma once
// File and path helpers of the bank loader.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmo {

// The whole file; false when it is not a regular file or cannot be opened, sized or fully read.
// An empty file succeeds with no bytes.
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes);

// relative when it is absolute or base is empty; base when relative is empty; else base/relative.
std::string joinPath(std::string_view base, std::string_view relative);

// False for an empty or absolute path, any backslash, or a ".." component.
bool pathIsContained(std::string_view path);

// 64 lower-case hexadecimal characters.
std::string sha256Hex(const std::uint8_t* bytes, std::size_t count);

// 1 "release", 2 "legato", 0 anything else ("attack").
std::uint32_t triggerCode(std::string_view text);

}  // namespace velmo
