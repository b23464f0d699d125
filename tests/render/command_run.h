#pragma once
// Running zuriz-render as a user does and reading back what it wrote (header-only, for the
// render and conformance tests).
#include <sndfile.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

namespace velmo::test {

struct AudioData {
    int format = 0;  // libsndfile's major | subtype
    int rate = 0;
    int channels = 0;
    std::vector<float> samples;  // interleaved
};

// Empty (no samples) when the file cannot be read.
inline AudioData readAudioFile(const std::string& path) {
    AudioData a;
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (f == nullptr) return a;
    a.format = info.format;
    a.rate = info.samplerate;
    a.channels = info.channels;
    a.samples.resize(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(f, a.samples.data(), info.frames);
    sf_close(f);
    return a;
}

// Runs a shell command; returns its exit status and keeps what it printed on standard output.
inline int runCommand(const std::string& command, std::string& output) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace velmo::test
