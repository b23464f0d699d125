#pragma once
// Writes interleaved float audio with libsndfile, in the format the file name asks for:
// ".wav" 32-bit float WAV, ".flac" 24-bit FLAC, ".ogg" Ogg Vorbis (any case).
#include <string>
#include <vector>

namespace velmo::render {

// The libsndfile format for the path's extension, or 0 with the reason in `error`.
int audioFormatForPath(const std::string& path, std::string& error);

// Returns an empty string on success, else the reason.
std::string writeAudioFile(const std::string& path, const std::vector<float>& interleaved,
                           int channels, int sampleRate);

}  // namespace velmo::render
