#pragma once
// zuriz-bridge's command line.
#include <string>
#include <vector>

namespace velmo::bridge {

struct BridgeOptions {
    std::string bundle;  // empty: find Zuriz.vst3
    double sampleRate = 48000.0;
    int block = 512;
    double tempo = 120.0;
    int numerator = 4;
    int denominator = 4;
    bool playing = true;
};

enum class BridgeParse { Run, Help, Error };

// Fills `options` from the arguments (without the program name). On Error, `error` says why.
BridgeParse parseBridgeOptions(const std::vector<std::string>& args, BridgeOptions& options,
                               std::string& error);

const char* bridgeHelpText();

}  // namespace velmo::bridge
