#pragma once
// Writes interleaved float audio to a WAV file (32-bit float samples) with libsndfile.
#include <string>
#include <vector>

namespace velmo::render {

// Returns an empty string on success, else the reason.
std::string writeWavFile(const std::string& path, const std::vector<float>& interleaved,
                         int channels, int sampleRate);

}  // namespace velmo::render
