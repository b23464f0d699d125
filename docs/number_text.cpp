#include "docs/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace velmo {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool matchesNoCase(std::string_view text, std::size_t at, std::string_view word) {
    if (text.size() - at < word.size()) return false;
    for (std::size_t k = 0; k < word.size(); ++k)
        if (lower(text[at + k]) != word[k]) return false;
    return true;
}

// Scans digits (decimal or hex) with one optional point. Returns the end, counts digits and
// gives the power (in digits) of the leading non-zero digit, used to tell overflow from
// underflow when the conversion is out of range.
struct MantissaScan {
    std::size_t end = 0;
    std::size_t digits = 0;
    long long leadPower = 0;  // digit position of the first non-zero digit, 0 = units
    bool nonZero = false;
};

MantissaScan scanMantissa(std::string_view t, std::size_t i, bool hex) {
    MantissaScan s;
    long long intDigits = 0;
    long long fracZeros = 0;
    bool inFraction = false;
    bool seenPoint = false;
    while (i < t.size()) {
        char c = t[i];
        if (c == '.' && !seenPoint) {
            seenPoint = true;
            inFraction = true;
            ++i;
            continue;
        }
        if (!(hex ? isHexDigit(c) : isDigit(c))) break;
        ++s.digits;
        if (c != '0' && !s.nonZero) {
            s.nonZero = true;
            s.leadPower = inFraction ? -(fracZeros + 1) : 0;
        }
        if (!inFraction && s.nonZero) ++intDigits;
        if (inFraction && !s.nonZero) ++fracZeros;
        ++i;
    }
    if (s.nonZero && s.leadPower == 0) s.leadPower = intDigits - 1;
    s.end = i;
    return s;
}

// Optional exponent: marker, optional sign, at least one digit. Saturates the value.
std::size_t scanExponent(std::string_view t, std::size_t i, char marker, long long& exponent) {
    exponent = 0;
    if (i >= t.size() || lower(t[i]) != marker) return i;
    std::size_t j = i + 1;
    bool negative = false;
    if (j < t.size() && (t[j] == '+' || t[j] == '-')) {
        negative = t[j] == '-';
        ++j;
    }
    if (j >= t.size() || !isDigit(t[j])) return i;
    while (j < t.size() && isDigit(t[j])) {
        if (exponent < 1000000000LL) exponent = exponent * 10 + (t[j] - '0');
        ++j;
    }
    if (negative) exponent = -exponent;
    return j;
}

}  // namespace

std::size_t numberFromText(std::string_view t, double& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    if (i >= t.size()) return 0;

    if (lower(t[i]) == 'i') {
        if (!matchesNoCase(t, i, "inf")) return 0;
        i += 3;
        if (matchesNoCase(t, i, "inity")) i += 5;
        value = negative ? -std::numeric_limits<double>::infinity()
                         : std::numeric_limits<double>::infinity();
        return i;
    }
    if (lower(t[i]) == 'n') {
        if (!matchesNoCase(t, i, "nan")) return 0;
        i += 3;
        if (i < t.size() && t[i] == '(') {
            std::size_t j = i + 1;
            while (j < t.size() && (isDigit(t[j]) || (lower(t[j]) >= 'a' && lower(t[j]) <= 'z') ||
                                    t[j] == '_'))
                ++j;
            if (j < t.size() && t[j] == ')') i = j + 1;
        }
        double nan = std::numeric_limits<double>::quiet_NaN();
        value = negative ? -nan : nan;
        return i;
    }

    bool hex = false;
    std::size_t mantissaStart = i;
    MantissaScan m;
    if (t.size() - i >= 3 && t[i] == '0' && lower(t[i + 1]) == 'x') {
        MantissaScan h = scanMantissa(t, i + 2, true);
        if (h.digits > 0) {
            hex = true;
            m = h;
            mantissaStart = i + 2;
        }
    }
    if (!hex) m = scanMantissa(t, i, false);
    if (m.digits == 0) return 0;
    long long exponent = 0;
    std::size_t end = scanExponent(t, m.end, hex ? 'p' : 'e', exponent);

    double parsed = 0.0;
    const char* first = t.data() + mantissaStart;
    const char* last = t.data() + end;
    auto result = std::from_chars(first, last, parsed,
                                  hex ? std::chars_format::hex : std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Power of the leading digit in the base of the exponent decides the direction.
        long long power = hex ? m.leadPower * 4 + exponent : m.leadPower + exponent;
        parsed = power > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc() || result.ptr != last) {
        return 0;  // cannot happen for a scanned pattern; refuse rather than guess
    }
    value = negative ? -parsed : parsed;
    return end;
}

std::size_t numberFromTextAfterBlanks(std::string_view text, double& value) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    std::size_t used = numberFromText(text.substr(i), value);
    return used == 0 ? 0 : i + used;
}

std::size_t formatShortestNumber(char* buffer, double value) {
    auto result = std::to_chars(buffer, buffer + kNumberTextCapacity, value);
    return static_cast<std::size_t>(result.ptr - buffer);
}

std::size_t formatShortestFloat(char* buffer, float value) {
    auto result = std::to_chars(buffer, buffer + kNumberTextCapacity, value);
    return static_cast<std::size_t>(result.ptr - buffer);
}

void appendPrintfG(std::string& out, double value, int precision) {
    // printf treats a negative precision as absent (6) and 0 as 1. Precision is capped so the
    // stack buffer always suffices; no document asks for more than 17.
    if (precision < 0) precision = 6;
    precision = std::clamp(precision, 1, 64);
    char buffer[128];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                std::chars_format::general, precision);
    out.append(buffer, result.ptr);
}

}  // namespace velmo
