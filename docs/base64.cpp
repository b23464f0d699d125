#include "docs/base64.h"

namespace velmo {
namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

void base64Append(std::string& out, const std::uint8_t* bytes, std::size_t count) {
    std::size_t i = 0;
    for (; i + 3 <= count; i += 3) {
        std::uint32_t group = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        out.push_back(kAlphabet[(group >> 18) & 63]);
        out.push_back(kAlphabet[(group >> 12) & 63]);
        out.push_back(kAlphabet[(group >> 6) & 63]);
        out.push_back(kAlphabet[group & 63]);
    }
    std::size_t rest = count - i;
    if (rest == 0) return;
    std::uint32_t group = bytes[i] << 16;
    if (rest == 2) group |= bytes[i + 1] << 8;
    out.push_back(kAlphabet[(group >> 18) & 63]);
    out.push_back(kAlphabet[(group >> 12) & 63]);
    out.push_back(rest == 2 ? kAlphabet[(group >> 6) & 63] : '=');
    out.push_back('=');
}

int base64Digit(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

bool base64Decode(std::string_view text, std::vector<std::uint8_t>& out, std::size_t maxBytes) {
    const std::size_t length = text.size();
    if (length % 4 != 0) return false;
    if (length == 0) {
        out.clear();
        return true;
    }
    std::size_t padding = (text[length - 1] == '=' ? 1 : 0) + (text[length - 2] == '=' ? 1 : 0);
    std::size_t decodedSize = length / 4 * 3 - padding;
    if (decodedSize > maxBytes) return false;

    out.clear();
    out.reserve(decodedSize);
    for (std::size_t g = 0; g < length; g += 4) {
        const bool lastGroup = g + 4 == length;
        std::uint32_t bits = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            char c = text[g + k];
            int digit = base64Digit(c);
            if (digit < 0) {
                if (c != '=' || k < 2 || !lastGroup) return false;
                digit = 0;
            }
            bits = (bits << 6) | static_cast<std::uint32_t>(digit);
        }
        const std::uint8_t group[3] = {static_cast<std::uint8_t>(bits >> 16),
                                       static_cast<std::uint8_t>(bits >> 8),
                                       static_cast<std::uint8_t>(bits)};
        for (std::uint8_t byte : group) {
            if (out.size() == decodedSize) break;
            out.push_back(byte);
        }
    }
    return out.size() == decodedSize;
}

}  // namespace velmo
