#pragma once
// The one-line summary printed after a render.
#include <string>
#include <vector>

namespace velmo::render {

struct RenderSummary {
    double durationSeconds = 0.0;
    double peakDbfs = -1.0 / 0.0;
    double rmsDbfs = -1.0 / 0.0;
    double realTimeFactor = 0.0;  // audio seconds per wall-clock second of rendering
    bool allFinite = true;
};

RenderSummary summarise(const std::vector<float>& interleaved, int channels, int sampleRate,
                        double renderSeconds);
std::string formatSummary(const RenderSummary& s, const std::string& outPath);

}  // namespace velmo::render
