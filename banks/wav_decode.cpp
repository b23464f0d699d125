#include "banks/wav_decode.h"

#include <cmath>
#include <cstring>

namespace velmo {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t u32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t s24(const std::uint8_t* p)
{
    const std::uint32_t raw = static_cast<std::uint32_t>(p[0]) |
                              (static_cast<std::uint32_t>(p[1]) << 8) |
                              (static_cast<std::uint32_t>(p[2]) << 16);
    return static_cast<std::int32_t>(raw << 8) >> 8;
}
float f32(const std::uint8_t* p)
{
    const std::uint32_t raw = u32(p);
    float v;
    std::memcpy(&v, &raw, sizeof v);
    return v;
}

// value * 32767, rounded half away from zero, limited to 16 bits, back to a float / 32768.
// Not-a-number (a float file can carry one) becomes silence. Branch-free on the rounding:
// noisy audio would mispredict every other sample.
float quantise(double value)
{
    double x = value * 32767.0;
    if (x != x) x = 0.0;
    x = x < -32768.0 ? -32768.0 : x > 32767.0 ? 32767.0 : x;
    auto q = static_cast<std::int32_t>(x);  // toward zero; x is in range
    const double rest = x - q;
    q += static_cast<std::int32_t>(rest >= 0.5) - static_cast<std::int32_t>(rest <= -0.5);
    return static_cast<float>(q) * (1.0f / 32768.0f);
}

// The same for integer samples, exactly: the mean of the channels times 32767 is
// sum * 32767 / 2^shift, where 2^shift is the full scale times the channel count.
float quantiseInteger(std::int64_t sum, int shift)
{
    const std::int64_t n = sum * 32767;
    const std::int64_t sign = n >> 63;
    const std::int64_t magnitude = (n ^ sign) - sign;
    const std::int64_t rounded = (magnitude + (std::int64_t{1} << (shift - 1))) >> shift;
    return static_cast<float>((rounded ^ sign) - sign) * (1.0f / 32768.0f);
}

bool isTag(const std::uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

struct FmtFields {
    std::uint16_t tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint16_t bits = 0;
};

}  // namespace

bool readWavLayout(const std::uint8_t* bytes, std::size_t size, WavLayout& layout,
                   std::string& message)
{
    if (size < 44 || !isTag(bytes, "RIFF") || !isTag(bytes + 8, "WAVE")) {
        message = "not a RIFF/WAVE file";
        return false;
    }
    FmtFields fmt;
    bool haveData = false;
    std::size_t dataStart = 0;
    std::size_t dataSize = 0;
    std::size_t pos = 12;
    while (size - pos >= 8) {
        const std::uint8_t* header = bytes + pos;
        const std::uint64_t chunkSize = u32(header + 4);
        const std::size_t start = pos + 8;
        if (chunkSize > size - start) {
            // A data chunk cut short (a truncated download, a recorder that never patched its
            // size) still carries the frames that are there.
            if (isTag(header, "data") && start < size) {
                haveData = true;
                dataStart = start;
                dataSize = size - start;
            }
            break;
        }
        if (isTag(header, "fmt ") && chunkSize >= 16) {
            const std::uint8_t* f = bytes + start;
            fmt.tag = u16(f);
            fmt.channels = u16(f + 2);
            fmt.rate = u32(f + 4);
            fmt.bits = u16(f + 14);
            if (chunkSize >= 40 && fmt.tag == kFormatExtensible) fmt.tag = u16(f + 24);
        } else if (isTag(header, "data")) {
            haveData = true;
            dataStart = start;
            dataSize = static_cast<std::size_t>(chunkSize);
        }
        const std::uint64_t next = start + chunkSize + (chunkSize & 1u);
        if (next >= size) break;
        pos = static_cast<std::size_t>(next);
    }
    if (!haveData || dataSize == 0) {
        message = "no data chunk";
        return false;
    }
    if (fmt.channels != 1 && fmt.channels != 2) {
        message = "unsupported channel count " + std::to_string(fmt.channels);
        return false;
    }
    const auto frameBytes = static_cast<std::uint16_t>(fmt.channels * fmt.bits / 8);
    if (fmt.bits < 8 || frameBytes > dataSize) {
        message = "empty or unreadable data chunk";
        return false;
    }
    const bool known = (fmt.tag == kFormatPcm && (fmt.bits == 16 || fmt.bits == 24)) ||
                       (fmt.tag == kFormatFloat && fmt.bits == 32);
    if (!known) {
        message = "unsupported WAV format tag " + std::to_string(fmt.tag) + " / " +
                  std::to_string(fmt.bits) + "-bit";
        return false;
    }
    layout.dataOffset = dataStart;
    layout.frames = dataSize / frameBytes;
    layout.channels = fmt.channels;
    layout.bits = fmt.bits;
    layout.formatTag = fmt.tag;
    layout.sampleRate = fmt.rate == 0 ? 48000.0 : static_cast<double>(fmt.rate);
    return true;
}

namespace {

void convertFloat(const std::uint8_t* p, std::size_t frames, bool stereo, float* out)
{
    if (stereo) {
        for (std::size_t i = 0; i < frames; ++i, p += 8)
            out[i] = quantise((static_cast<double>(f32(p)) + f32(p + 4)) / 2.0);
    } else {
        for (std::size_t i = 0; i < frames; ++i, p += 4) out[i] = quantise(f32(p));
    }
}

// fullScaleShift: 15 for 16-bit, 23 for 24-bit samples.
template <typename Channel>
void convertInteger(const std::uint8_t* p, std::size_t frames, std::size_t width, bool stereo,
                    int fullScaleShift, Channel channel, float* out)
{
    if (stereo) {
        for (std::size_t i = 0; i < frames; ++i, p += 2 * width)
            out[i] = quantiseInteger(std::int64_t{channel(p)} + channel(p + width), fullScaleShift + 1);
    } else {
        for (std::size_t i = 0; i < frames; ++i, p += width)
            out[i] = quantiseInteger(channel(p), fullScaleShift);
    }
}

std::int32_t s16(const std::uint8_t* p) { return static_cast<std::int16_t>(u16(p)); }

}  // namespace

void convertWavFrames(const WavLayout& layout, const std::uint8_t* bytes, float* out)
{
    const std::uint8_t* p = bytes + layout.dataOffset;
    const bool stereo = layout.channels == 2;
    if (layout.formatTag == kFormatFloat) convertFloat(p, layout.frames, stereo, out);
    else if (layout.bits == 16) convertInteger(p, layout.frames, 2, stereo, 15, s16, out);
    else convertInteger(p, layout.frames, 3, stereo, 23, s24, out);
}

bool decodeWav(const std::vector<std::uint8_t>& bytes, WavAudio& audio, std::string& message)
{
    WavLayout layout;
    if (!readWavLayout(bytes.data(), bytes.size(), layout, message)) return false;
    audio.sampleRate = layout.sampleRate;
    audio.samples.resize(layout.frames);
    convertWavFrames(layout, bytes.data(), audio.samples.data());
    return true;
}

}  // namespace velmo
