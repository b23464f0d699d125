#include "tools/render/wav_file.h"

#include <sndfile.h>

namespace velmo::render {

std::string writeWavFile(const std::string& path, const std::vector<float>& interleaved,
                         int channels, int sampleRate) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return sf_strerror(nullptr);
    const auto frames = static_cast<sf_count_t>(interleaved.size() / channels);
    const sf_count_t written = sf_writef_float(file, interleaved.data(), frames);
    std::string error = written == frames ? "" : sf_strerror(file);
    if (sf_close(file) != 0 && error.empty()) error = "could not close the file";
    return error;
}

}  // namespace velmo::render
