#pragma once
// Builds RIFF/WAVE files byte by byte, including the malformed shapes the decoder must survive.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace velmo::test {

using Bytes = std::vector<std::uint8_t>;

inline void putLe(Bytes& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A chunk with its header; declaredSize overrides the size field (a lying or truncated chunk).
inline Bytes chunk(const char* id, const Bytes& data, std::int64_t declaredSize = -1)
{
    Bytes out(id, id + 4);
    putLe(out, declaredSize < 0 ? data.size() : static_cast<std::uint64_t>(declaredSize), 4);
    out.insert(out.end(), data.begin(), data.end());
    if (declaredSize < 0 && data.size() % 2 == 1) out.push_back(0);
    return out;
}

// "fmt " data; with extensibleTag the chunk is 40 bytes, tag 0xFFFE and that sub-format.
inline Bytes fmtData(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                     std::uint16_t bits, int extensibleTag = -1)
{
    Bytes out;
    putLe(out, extensibleTag >= 0 ? 0xFFFE : tag, 2);
    putLe(out, channels, 2);
    putLe(out, rate, 4);
    putLe(out, std::uint64_t{rate} * channels * bits / 8, 4);
    putLe(out, channels * bits / 8, 2);
    putLe(out, bits, 2);
    if (extensibleTag >= 0) {
        putLe(out, 22, 2);
        putLe(out, bits, 2);
        putLe(out, 0, 4);
        putLe(out, static_cast<std::uint64_t>(extensibleTag), 2);
        const std::uint8_t guidTail[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
        out.insert(out.end(), guidTail, guidTail + 14);
    }
    return out;
}

inline Bytes riff(const std::vector<Bytes>& chunks)
{
    Bytes body{'W', 'A', 'V', 'E'};
    for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
    Bytes out{'R', 'I', 'F', 'F'};
    putLe(out, body.size(), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

inline Bytes pcm16(const std::vector<int>& values)
{
    Bytes out;
    for (int v : values) putLe(out, static_cast<std::uint16_t>(v), 2);
    return out;
}
inline Bytes pcm24(const std::vector<int>& values)
{
    Bytes out;
    for (int v : values) putLe(out, static_cast<std::uint32_t>(v) & 0xFFFFFF, 3);
    return out;
}
inline Bytes float32(const std::vector<float>& values)
{
    Bytes out;
    for (float v : values) {
        std::uint32_t raw;
        std::memcpy(&raw, &v, 4);
        putLe(out, raw, 4);
    }
    return out;
}

// An ordinary file: one fmt chunk, one data chunk.
inline Bytes wavFile(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                     std::uint16_t bits, const Bytes& data)
{
    return riff({chunk("fmt ", fmtData(tag, channels, rate, bits)), chunk("data", data)});
}

}  // namespace velmo::test
