// decodeWav on any bytes: it never reads outside the file, and what it accepts lies on the
// 16-bit grid within [-1, 32767/32768].
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "banks/wav_decode.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    velmo::WavAudio audio;
    std::string message;
    if (!velmo::decodeWav(bytes, audio, message)) {
        FUZZ_CHECK(!message.empty());
        return 0;
    }
    FUZZ_CHECK(!audio.samples.empty());
    FUZZ_CHECK(audio.samples.size() <= size / 2);
    FUZZ_CHECK(audio.sampleRate > 0);
    for (float s : audio.samples) {
        const double step = static_cast<double>(s) * 32768.0;
        FUZZ_CHECK(step >= -32768.0 && step <= 32767.0 && step == std::floor(step));
    }
    return 0;
}
