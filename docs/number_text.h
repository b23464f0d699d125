#pragma once
// Number text that never depends on the process locale and never reads past the given bytes.
// Hosts may run the plug-in under a comma-decimal locale, so strtod/printf are not used here;
// these give exactly what strtod and printf give in the C locale.
#include <cstddef>
#include <string>
#include <string_view>

namespace velmo {

// Reads one number starting exactly at text[0], as strtod does in the C locale: optional sign,
// decimal with optional exponent, "0x" hexadecimal with optional binary exponent, "inf",
// "infinity" and "nan" (with an optional "(chars)" suffix) in any case. Returns the number of
// bytes consumed, 0 when nothing converts (value is then untouched). Overflow gives +-infinity,
// underflow +-0 or a subnormal, as strtod would.
std::size_t numberFromText(std::string_view text, double& value);

// The same after skipping the leading blanks strtod skips (space, \t, \n, \v, \f, \r); the
// count includes the blanks. For typed-in texts, not for JSON.
std::size_t numberFromTextAfterBlanks(std::string_view text, double& value);

// Shortest text that reads back to the same double (std::to_chars without a format); "inf",
// "-inf", "nan" or "-nan" when not finite. Writes at most kNumberTextCapacity bytes to buffer
// (no terminator) and returns the length.
inline constexpr std::size_t kNumberTextCapacity = 32;
std::size_t formatShortestNumber(char* buffer, double value);
// The same for a float: shortest text that reads back to the same float ("0.15" for 0.15f).
std::size_t formatShortestFloat(char* buffer, float value);

// printf("%.*g", precision, value) in the C locale (precision 0 counts as 1); "inf", "-inf",
// "nan", "-nan" when not finite. Appends to out.
void appendPrintfG(std::string& out, double value, int precision);

// The bank-preset parameter value format: printf "%.17g" in the C locale.
inline void appendNumber17g(std::string& out, double value) { appendPrintfG(out, value, 17); }

}  // namespace velmo
