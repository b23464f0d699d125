#include "tools/bridge/bridge_options.h"

#include <cmath>

#include "docs/number_text.h"

namespace velmo::bridge {

namespace {

// The whole text as a finite number within [low, high].
bool numberIn(const std::string& text, double low, double high, double& out) {
    double v = 0.0;
    if (text.empty() || numberFromText(text, v) != text.size() || !std::isfinite(v)) return false;
    if (v < low || v > high) return false;
    out = v;
    return true;
}

bool integerIn(const std::string& text, int low, int high, int& out) {
    double v = 0.0;
    if (!numberIn(text, low, high, v) || v != std::floor(v)) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace

BridgeParse parseBridgeOptions(const std::vector<std::string>& args, BridgeOptions& options,
                               std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") return BridgeParse::Help;
        if (a == "--stopped") {
            options.playing = false;
            continue;
        }
        if (a != "--bundle" && a != "--sample-rate" && a != "--block" && a != "--tempo" &&
            a != "--numerator" && a != "--denominator") {
            error = "unknown option " + a + " (see --help)";
            return BridgeParse::Error;
        }
        if (i + 1 >= args.size()) {
            error = a + " needs a value";
            return BridgeParse::Error;
        }
        const std::string& v = args[++i];
        bool ok = true;
        if (a == "--bundle") {
            options.bundle = v;
            ok = !v.empty();
        } else if (a == "--sample-rate") {
            ok = numberIn(v, 8000.0, 384000.0, options.sampleRate);
        } else if (a == "--block") {
            ok = integerIn(v, 1, 16384, options.block);
        } else if (a == "--tempo") {
            ok = numberIn(v, 1.0, 999.0, options.tempo);
        } else if (a == "--numerator") {
            ok = integerIn(v, 1, 64, options.numerator);
        } else {
            ok = integerIn(v, 1, 64, options.denominator);
        }
        if (!ok) {
            error = "bad value for " + a + ": \"" + v + "\" (see --help)";
            return BridgeParse::Error;
        }
    }
    return BridgeParse::Run;
}

const char* bridgeHelpText() {
    return "usage: zuriz-bridge [--bundle PATH] [--sample-rate HZ] [--block N] [--tempo BPM]\n"
           "                    [--numerator N --denominator D] [--stopped] [--help]\n"
           "\n"
           "Runs the Zuriz controller and processor as a host does, without an editor, and speaks\n"
           "the editor page's protocol: one page message (JSON) per line on standard input, one\n"
           "page document per line on standard output. Blocks are rendered in real time on an\n"
           "audio thread of its own with a moving transport, so the diagnostic feeds are live.\n"
           "Ends, closing the plug-in, at the end of input.\n"
           "\n"
           "  --bundle PATH       the VST3 bundle (default: Zuriz.vst3 of this build, ~/.vst3,\n"
           "                      /usr/local/lib/vst3, /usr/lib/vst3)\n"
           "  --sample-rate HZ    8000-384000 (default 48000)\n"
           "  --block N           frames per block, 1-16384 (default 512)\n"
           "  --tempo BPM         1-999 (default 120)\n"
           "  --numerator N       time signature (default 4/4)\n"
           "  --denominator D\n"
           "  --stopped           the transport stands still (default: playing)\n"
           "\n"
           "Lines whose type begins with \"bridge.\" are the host's own, not the page's:\n"
           "  {\"type\":\"bridge.hostSetParam\",\"path\":\"ir.size\",\"normalized\":0.5}\n"
           "      host automation: the controller and the processor receive the value\n"
           "  {\"type\":\"bridge.hostProgram\",\"index\":4}\n"
           "      the host's program menu: the program-change parameter selects program 4\n"
           "  {\"type\":\"bridge.noteOn\",\"note\":60,\"velocity\":0.8}\n"
           "  {\"type\":\"bridge.noteOff\",\"note\":60}\n";
}

}  // namespace velmo::bridge
