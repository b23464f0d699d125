#pragma once
// A score played through an LV2 instance as a host with sample-accurate automation plays it:
// a run ends where a parameter changes, the port takes the new value and the next run starts
// there; notes and controllers go as MIDI at their frames.
#include <vector>

#include "tools/lv2host/lv2_host.h"
#include "tools/render/demo_score.h"

namespace velmo::lv2host {

// Interleaved stereo, as long as zuriz-render makes it: the score plus the tail. `interleaved`
// is reused when it is already that long (a benchmark's repeated renders).
void renderScore(Lv2Instance& instance, const render::Score& score, double sampleRate, int blockFrames,
                 double tailSeconds, std::vector<float>& interleaved);
inline std::vector<float> renderScore(Lv2Instance& instance, const render::Score& score, double sampleRate,
                                      int blockFrames, double tailSeconds) {
    std::vector<float> interleaved;
    renderScore(instance, score, sampleRate, blockFrames, tailSeconds, interleaved);
    return interleaved;
}

// The MIDI a score event is sent as (7-bit values); false for parameter changes.
bool midiOf(const render::ScoreEvent& event, MidiEvent& midi);

}  // namespace velmo::lv2host
