#pragma once
// zuriz-render's command line.
#include <string>
#include <utility>
#include <vector>

namespace velmo::render {

struct RenderOptions {
    std::string plugin;  // bundle path; empty: find Zuriz.vst3
    std::string midi;    // Standard MIDI File; empty: the built-in demo
    std::string preset;  // program name or index; empty: none
    std::string presetFile;  // a .vstpreset file loaded before rendering; empty: none
    bool listParams = false;   // print the parameters instead of rendering
    bool listPresets = false;  // print the programs instead of rendering
    std::vector<std::pair<std::string, std::string>> params;  // path, value text
    double rate = 48000.0;
    int block = 512;
    double tailSeconds = 4.0;
    std::string out;  // empty until parsed: then the default name; .wav, .flac or .ogg
};

enum class ParseOutcome { Run, Help, Error };

// Fills `options` from the arguments (without the program name). On Error, `error` says why.
ParseOutcome parseRenderOptions(const std::vector<std::string>& args, RenderOptions& options,
                                std::string& error);

const char* renderHelpText();

// "[########............]  40%" for a fraction 0-1 and a bar of `width` cells.
std::string formatProgressBar(double fraction, int width);

}  // namespace velmo::render
