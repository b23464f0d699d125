#pragma once
// A prepared bells state at 48 kHz for tests of the synthesiser below the C interface.
#include <memory>

#include <gtest/gtest.h>

#include "kernel/bells_processor.h"

namespace velmo::test {

struct BellsStateDeleter {
    void operator()(BellsState* state) const { bells::destroyState(state); }
};
using BellsStatePtr = std::unique_ptr<BellsState, BellsStateDeleter>;

inline BellsStatePtr preparedBells(double sampleRate = 48000) {
    BellsStatePtr state(bells::createState());
    const ProcessorConfig config{0, 128, 2, sampleRate};
    EXPECT_TRUE(bells::prepare(*state, config));
    return state;
}

// Index of the voice (below the voice limit) playing `note`, or -1.
inline int voicePlaying(const BellsState& state, int note) {
    for (int v = 0; v < state.modal.voiceLimit; ++v)
        if (state.modal.voiceActive[v] && state.modal.voiceNote[v] == note) return v;
    return -1;
}

}  // namespace velmo::test
