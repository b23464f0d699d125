#pragma once
// RIFF/WAVE assets to mono 32-bit float: 16/24-bit integer PCM or 32-bit float, one or two
// channels. Every sample is quantised to the 16-bit grid (value * 32767, rounded, / 32768).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmo {

struct WavAudio {
    std::vector<float> samples;  // one per frame, channels averaged
    double sampleRate = 48000.0;
};

// False with the reason in message ("not a RIFF/WAVE file", "no data chunk", ...).
bool decodeWav(const std::vector<std::uint8_t>& bytes, WavAudio& audio, std::string& message);

// The same in two steps, so a caller can size its own buffer and decode straight into it.
// readWavLayout makes every check decodeWav makes; convertWavFrames then cannot fail.
struct WavLayout {
    std::size_t dataOffset = 0;  // of the sample bytes in the file
    std::size_t frames = 0;
    std::uint16_t channels = 0;
    std::uint16_t bits = 0;
    std::uint16_t formatTag = 0;
    double sampleRate = 48000.0;
};
bool readWavLayout(const std::uint8_t* bytes, std::size_t size, WavLayout& layout,
                   std::string& message);
// Writes layout.frames samples to out; bytes are the file readWavLayout accepted.
void convertWavFrames(const WavLayout& layout, const std::uint8_t* bytes, float* out);

}  // namespace velmo
