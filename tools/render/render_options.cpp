#include "tools/render/render_options.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tools/render/audio_file.h"

namespace velmo::render {
namespace {

bool readNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end != nullptr && *end == 0 && std::isfinite(value);
}

// "song.mid" -> "song.wav", in the working directory.
std::string defaultOutput(const std::string& midi) {
    if (midi.empty()) return "zuriz-demo.wav";
    std::string name = midi.substr(midi.find_last_of('/') == std::string::npos ? 0 : midi.find_last_of('/') + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return (name.empty() ? std::string("render") : name) + ".wav";
}

}  // namespace

const char* renderHelpText() {
    return "usage: zuriz-render [options]\n"
           "Plays a score through a VST3 instrument, as a host would, and writes what it renders\n"
           "to a stereo audio file; then prints one line: duration, peak, RMS and how many times\n"
           "faster than real time it rendered.\n"
           "\n"
           "  --plugin PATH        the instrument's .vst3 bundle (default: Zuriz.vst3 from this\n"
           "                       build or from PREFIX/lib/vst3 beside an installed\n"
           "                       PREFIX/bin/zuriz-render, else from ~/.vst3,\n"
           "                       /usr/local/lib/vst3, /usr/lib/vst3)\n"
           "  --midi FILE          play a Standard MIDI File instead of the built-in demo (five\n"
           "                       sections, one per bell family)\n"
           "  --preset NAME|INDEX  select one of the plug-in's programs first; INDEX counts\n"
           "                       from 0 (Zuriz: \"Deep Bourdon\" or 1)\n"
           "  --preset-file FILE   load a .vstpreset file first (as a host loads a preset)\n"
           "  --param PATH=VALUE   hold a parameter at VALUE for the whole render (the score's\n"
           "                       own changes of it are dropped); PATH is a Zuriz path such as\n"
           "                       strike.position, a parameter title, or an id; VALUE as the\n"
           "                       plug-in shows it (ir.family=Glass, ir.decayScale=2); a number\n"
           "                       outside the parameter's range is refused. Repeatable.\n"
           "  --rate HZ            sample rate (default 48000)\n"
           "  --block FRAMES       frames per process call, 1-16384 (default 512)\n"
           "  --tail SECONDS       time rendered after the last event (default 4)\n"
           "  --out PATH           the audio file, its format by its extension: .wav (32-bit\n"
           "                       float), .flac (24-bit) or .ogg (Vorbis) (default\n"
           "                       zuriz-demo.wav, or the MIDI file's name with .wav, in the\n"
           "                       working directory)\n"
           "  --list-params        print the plug-in's parameters (id, path, range, default)\n"
           "  --list-presets       print the plug-in's programs (for --preset)\n"
           "  -h, --help           this text\n"
           "\n"
           "A progress bar is shown on standard error when a render takes a while.\n";
}

ParseOutcome parseRenderOptions(const std::vector<std::string>& args, RenderOptions& o,
                                std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") return ParseOutcome::Help;
        if (arg == "--list-params" || arg == "--list-presets") {
            (arg == "--list-params" ? o.listParams : o.listPresets) = true;
            continue;
        }
        // Every other option takes a value: "--name VALUE" or "--name=VALUE".
        std::string name = arg, value;
        bool hasValue = false;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            hasValue = true;
        } else if (i + 1 < args.size()) {
            value = args[i + 1];
            hasValue = true;
        }
        static const char* const known[] = {"--plugin", "--midi", "--preset", "--preset-file", "--param",
                                            "--rate", "--block", "--tail", "--out"};
        if (std::find_if(std::begin(known), std::end(known), [&](const char* k) { return name == k; }) ==
            std::end(known)) {
            error = "unknown option '" + arg + "' (see --help)";
            return ParseOutcome::Error;
        }
        if (!hasValue) {
            error = name + " needs a value (see --help)";
            return ParseOutcome::Error;
        }
        if (name == arg) ++i;  // the value was the next argument

        double number = 0.0;
        if (name == "--plugin") {
            o.plugin = value;
        } else if (name == "--midi") {
            o.midi = value;
        } else if (name == "--preset") {
            o.preset = value;
        } else if (name == "--preset-file") {
            o.presetFile = value;
        } else if (name == "--out") {
            o.out = value;
        } else if (name == "--param") {
            const auto eq = value.find('=');
            if (eq == std::string::npos || eq == 0) {
                error = "--param wants PATH=VALUE, not '" + value + "'";
                return ParseOutcome::Error;
            }
            o.params.emplace_back(value.substr(0, eq), value.substr(eq + 1));
        } else if (name == "--rate") {
            if (!readNumber(value, number) || number < 8000.0 || number > 384000.0) {
                error = "--rate must be a number of hertz from 8000 to 384000";
                return ParseOutcome::Error;
            }
            o.rate = number;
        } else if (name == "--block") {
            if (!readNumber(value, number) || number != std::floor(number) || number < 1 || number > 16384) {
                error = "--block must be a whole number of frames from 1 to 16384";
                return ParseOutcome::Error;
            }
            o.block = static_cast<int>(number);
        } else if (name == "--tail") {
            if (!readNumber(value, number) || number < 0.0 || number > 600.0) {
                error = "--tail must be a number of seconds from 0 to 600";
                return ParseOutcome::Error;
            }
            o.tailSeconds = number;
        }
    }
    if (o.out.empty()) o.out = defaultOutput(o.midi);
    // A wrong extension is found now, not after a long render.
    if (!o.listParams && !o.listPresets && audioFormatForPath(o.out, error) == 0) return ParseOutcome::Error;
    return ParseOutcome::Run;
}

std::string formatProgressBar(double fraction, int width) {
    fraction = std::clamp(std::isfinite(fraction) ? fraction : 0.0, 0.0, 1.0);
    width = std::max(width, 1);
    const int filled = static_cast<int>(fraction * width);
    char percent[8];
    std::snprintf(percent, sizeof percent, "%4d%%", static_cast<int>(fraction * 100.0));
    std::string bar(static_cast<std::size_t>(width) + 2, '.');
    bar.front() = '[';
    bar.back() = ']';
    std::fill_n(bar.begin() + 1, filled, '#');
    return bar + percent;
}

}  // namespace velmo::render
