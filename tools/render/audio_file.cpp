#include "tools/render/audio_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>

namespace velmo::render {

int audioFormatForPath(const std::string& path, std::string& error) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    std::string ext = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                          ? std::string()
                          : path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == "wav") return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    if (ext == "flac") return SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
    if (ext == "ogg") return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    error = "cannot tell the audio format of '" + path + "': name it .wav, .flac or .ogg";
    return 0;
}

std::string writeAudioFile(const std::string& path, const std::vector<float>& interleaved,
                           int channels, int sampleRate) {
    std::string error;
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = audioFormatForPath(path, error);
    if (info.format == 0) return error;
    if (!sf_format_check(&info)) return "this libsndfile cannot write that format at " + std::to_string(sampleRate) + " Hz";
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return sf_strerror(nullptr);
    // FLAC and Vorbis take floats in -1..1; clipping beyond that is theirs, not an error.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const auto frames = static_cast<sf_count_t>(interleaved.size() / static_cast<std::size_t>(channels));
    const sf_count_t written = sf_writef_float(file, interleaved.data(), frames);
    error = written == frames ? "" : sf_strerror(file);
    if (sf_close(file) != 0 && error.empty()) error = "could not close the file";
    return error;
}

}  // namespace velmo::render
