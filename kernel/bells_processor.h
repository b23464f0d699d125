#pragma once
// The bells processor: one instrument instance. Turns named parameters into modal parameters,
// note-ons into voices (10 voices, oldest stolen), and renders the voices into a planar
// stereo area. Every refusal is a false result with nothing changed.
#include <cstdint>
#include <string_view>

#include "kernel/modal_struck.h"

namespace velmo {

struct BellsState {
    double family;    // raw "ir.family" value
    bool prepared;
    double noise;     // raw "strike.noise" value
    double position;  // 0-1
    double size;      // 0.5-2
    ModalStruckState modal;
};

struct ProcessorConfig {
    double inputChannels;
    double maxFrames;
    double outputChannels;
    double sampleRate;
};

struct FloatArea {
    float* data;
    uint64_t length;
};

struct ProcessBlock {
    double capacity;     // frames per channel of the output area
    double frameCount;   // frames to render in this call
    double frameOffset;  // first frame to render
    FloatArea input;
    double inputChannels;
    FloatArea output;  // channel 0 at 0 .. capacity-1, channel 1 at capacity .. 2*capacity-1
    double outputChannels;
};

inline constexpr int PROCESSOR_EVENT_NOTE_ON = 2;
inline constexpr int PROCESSOR_EVENT_NOTE_OFF = 3;

namespace bells {

// The only allocation of an instance; null when memory runs out.
BellsState* createState();
void destroyState(BellsState* state);
bool prepare(BellsState& state, const ProcessorConfig& config);
bool setParameter(BellsState& state, std::string_view key, double value);
bool handleEvent(BellsState& state, int kind, double a, double value);
bool process(BellsState& state, const ProcessBlock& block);
void reset(BellsState& state);

}  // namespace bells
}  // namespace velmo
