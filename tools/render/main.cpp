// zuriz-render: plays the built-in demo score, or a Standard MIDI File, through a VST3
// instrument bundle loaded as a host loads it, and writes the result to a WAV file.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/terminal.h"
#include "tools/host/bundle_lookup.h"
#include "tools/host/module_loader.h"
#include "tools/render/demo_score.h"
#include "tools/render/midi_file.h"
#include "tools/render/plugin_render.h"
#include "tools/render/render_options.h"
#include "tools/render/render_summary.h"
#include "tools/render/wav_file.h"

namespace {

using namespace velmo::render;

int fail(const std::string& message) {
    std::fprintf(stderr, "zuriz-render: %s\n", message.c_str());
    return 1;
}

// A bar on standard error, once a render has taken half a second and only for a person.
class Progress {
public:
    Progress() : started_(std::chrono::steady_clock::now()), enabled_(velmo::standardErrorIsTerminal()) {}
    ~Progress() {
        if (shown_) std::fputs("\n", stderr);
    }
    void operator()(double fraction) {
        if (!enabled_) return;
        const int percent = static_cast<int>(fraction * 100.0);
        if (percent == lastPercent_) return;
        if (!shown_ && std::chrono::steady_clock::now() - started_ < std::chrono::milliseconds(500)) return;
        lastPercent_ = percent;
        shown_ = true;
        std::fprintf(stderr, "\rzuriz-render: %s", formatProgressBar(fraction, 40).c_str());
        std::fflush(stderr);
    }

private:
    std::chrono::steady_clock::time_point started_;
    bool enabled_;
    bool shown_ = false;
    int lastPercent_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
    RenderOptions options;
    std::string error;
    switch (parseRenderOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        case ParseOutcome::Help: std::fputs(renderHelpText(), stdout); return 0;
        case ParseOutcome::Error: std::fprintf(stderr, "zuriz-render: %s\n", error.c_str()); return 2;
        case ParseOutcome::Run: break;
    }

    Score score;
    if (options.midi.empty()) {
        score = demoScore();
    } else if (!readMidiFile(options.midi, score, error)) {
        return fail(options.midi + ": " + error);
    }

    const std::string pluginPath = options.plugin.empty() ? velmo::host::defaultBundlePath() : options.plugin;
    auto module = velmo::host::PluginModule::open(pluginPath, &error);
    if (!module) return fail(error);
    auto plugin = velmo::host::PluginInstance::create(*module, &error, "zuriz-render");
    if (!plugin) return fail(error);

    std::vector<float> audio;
    double seconds = 0.0;
    int failedBlocks = 0;
    {
        PluginRenderer renderer(*plugin);
        if (!renderer.prepare({options.rate, options.block, options.tailSeconds}, error)) return fail(error);
        if (!options.preset.empty() && !renderer.selectProgram(options.preset, error)) return fail(error);
        for (const auto& [path, value] : options.params)
            if (!renderer.pinParameter(path, value, error)) return fail(error);

        Progress progress;
        const auto started = std::chrono::steady_clock::now();
        if (!renderer.render(score, audio, error, std::ref(progress))) return fail(error);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        failedBlocks = renderer.failedBlocks();
    }
    plugin.reset();
    module.reset();

    if (failedBlocks > 0)
        std::fprintf(stderr, "zuriz-render: the plug-in reported %d failed block(s)\n", failedBlocks);
    const int rate = static_cast<int>(options.rate);
    if (const std::string werr = writeWavFile(options.out, audio, 2, rate); !werr.empty())
        return fail("cannot write " + options.out + ": " + werr);
    const RenderSummary summary = summarise(audio, 2, rate, seconds);
    std::printf("%s\n", formatSummary(summary, options.out).c_str());
    return summary.allFinite ? 0 : 1;
}
