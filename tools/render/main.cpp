// zuriz-render: renders the built-in demo score through the sound kernel to a WAV file.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kernel/kernel_api.h"
#include "tools/render/demo_score.h"
#include "tools/render/render_summary.h"
#include "tools/render/wav_file.h"

namespace {

using velmo::render::ScoreEvent;

constexpr std::uint32_t kKernelBlock = 128;

struct Options {
    std::string out = "zuriz-demo.wav";
    int rate = 48000;
    double tailSeconds = 4.0;
};

void printHelp() {
    std::puts(
        "usage: zuriz-render [--out PATH] [--rate HZ] [--tail SECONDS]\n"
        "Renders the built-in demo score (one section per bell family) to a 32-bit float\n"
        "stereo WAV file and prints a one-line summary.\n"
        "  --out PATH       output file (default zuriz-demo.wav)\n"
        "  --rate HZ        sample rate (default 48000)\n"
        "  --tail SECONDS   silence rendered after the last event (default 4)");
}

bool parseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
            printHelp();
            std::exit(0);
        } else if (!std::strcmp(arg, "--out") && next) {
            o.out = next, ++i;
        } else if (!std::strcmp(arg, "--rate") && next) {
            o.rate = std::atoi(next), ++i;
        } else if (!std::strcmp(arg, "--tail") && next) {
            o.tailSeconds = std::atof(next), ++i;
        } else {
            std::fprintf(stderr, "zuriz-render: unknown or incomplete option '%s' (see --help)\n", arg);
            return false;
        }
    }
    if (o.rate < 8000 || o.rate > 384000 || !(o.tailSeconds >= 0.0 && o.tailSeconds < 600.0)) {
        std::fprintf(stderr, "zuriz-render: --rate must be 8000-384000 and --tail 0-600\n");
        return false;
    }
    return true;
}

std::uint32_t kernelKind(ScoreEvent::Kind kind) {
    switch (kind) {
        case ScoreEvent::Kind::Parameter: return 1;
        case ScoreEvent::Kind::NoteOn: return 2;
        case ScoreEvent::Kind::NoteOff: return 3;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) return 2;

    const velmo::render::Score score = velmo::render::demoScore();
    VELMO_KERNEL_ENTRY(runtime_init)();
    const auto handle = static_cast<std::uint32_t>(
        VELMO_KERNEL_ENTRY(create)(kKernelBlock, 0, 2, double(options.rate)));
    if (handle == 0) {
        std::fprintf(stderr, "zuriz-render: the kernel refused a %d Hz instance\n", options.rate);
        return 1;
    }
    float* area = nullptr;
    std::uint64_t areaLength = 0;
    VELMO_KERNEL_ENTRY(output_view)(handle, &area, &areaLength);

    const auto totalFrames =
        static_cast<std::uint64_t>(std::ceil((score.lengthSeconds + options.tailSeconds) * options.rate));
    std::vector<float> audio(totalFrames * 2);
    std::size_t next = 0;
    const auto started = std::chrono::steady_clock::now();
    for (std::uint64_t start = 0; start < totalFrames; start += kKernelBlock) {
        const auto frames = static_cast<std::uint32_t>(std::min<std::uint64_t>(kKernelBlock, totalFrames - start));
        for (; next < score.events.size(); ++next) {
            const ScoreEvent& e = score.events[next];
            const auto at = static_cast<std::uint64_t>(std::llround(e.seconds * options.rate));
            if (at >= start + frames) break;
            const auto offset = static_cast<std::uint32_t>(at > start ? at - start : 0);
            const double status =
                VELMO_KERNEL_ENTRY(push_event)(handle, kernelKind(e.kind), offset, e.index, e.value);
            if (status != 0.0)
                std::fprintf(stderr, "zuriz-render: event at %.3f s refused (status %g)\n", e.seconds, status);
        }
        if (VELMO_KERNEL_ENTRY(process)(handle, frames) != 0.0) {
            std::fprintf(stderr, "zuriz-render: the kernel failed to render\n");
            return 1;
        }
        for (std::uint32_t f = 0; f < frames; ++f) {
            audio[(start + f) * 2] = area[f];
            audio[(start + f) * 2 + 1] = area[kKernelBlock + f];
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    VELMO_KERNEL_ENTRY(destroy)(handle);

    if (const std::string error = velmo::render::writeWavFile(options.out, audio, 2, options.rate);
        !error.empty()) {
        std::fprintf(stderr, "zuriz-render: cannot write %s: %s\n", options.out.c_str(), error.c_str());
        return 1;
    }
    const auto summary = velmo::render::summarise(audio, 2, options.rate, seconds);
    std::printf("%s\n", velmo::render::formatSummary(summary, options.out).c_str());
    return summary.allFinite ? 0 : 1;
}
