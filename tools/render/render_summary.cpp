#include "tools/render/render_summary.h"

#include <cmath>
#include <cstdio>

namespace velmo::render {

RenderSummary summarise(const std::vector<float>& interleaved, int channels, int sampleRate,
                        double renderSeconds) {
    RenderSummary s;
    double peak = 0.0, sumSquares = 0.0;
    for (float v : interleaved) {
        if (!std::isfinite(v)) {
            s.allFinite = false;
            continue;
        }
        peak = std::fmax(peak, std::fabs(double(v)));
        sumSquares += double(v) * v;
    }
    s.durationSeconds = double(interleaved.size()) / channels / sampleRate;
    if (peak > 0.0) s.peakDbfs = 20.0 * std::log10(peak);
    if (!interleaved.empty() && sumSquares > 0.0)
        s.rmsDbfs = 10.0 * std::log10(sumSquares / double(interleaved.size()));
    s.realTimeFactor = renderSeconds > 0.0 ? s.durationSeconds / renderSeconds : 0.0;
    return s;
}

std::string formatSummary(const RenderSummary& s, const std::string& outPath) {
    char line[512];
    std::snprintf(line, sizeof line,
                  "%s: %.2f s, peak %.1f dBFS, RMS %.1f dBFS, %.0fx real time%s", outPath.c_str(),
                  s.durationSeconds, s.peakDbfs, s.rmsDbfs, s.realTimeFactor,
                  s.allFinite ? "" : " (NON-FINITE SAMPLES)");
    return line;
}

}  // namespace velmo::render
