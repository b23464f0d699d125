#pragma once
// Block rendering of the sounding voices: advances every sounding voice (index order, below
// voiceLimit) over `frames` samples and writes master * (sum of the voices) to left/right.
// The scalar renderer follows the voice step sample by sample and is the reference every
// faster renderer is compared against.
#include <cstdint>

namespace velmo {

struct ModalStruckState;

using ModalRenderFunction = void (*)(ModalStruckState& state, float* left, float* right,
                                     uint32_t frames);

void renderModalVoicesScalar(ModalStruckState& state, float* left, float* right, uint32_t frames);

// Renders with the selected implementation (the fastest the CPU offers unless forced).
void renderModalVoices(ModalStruckState& state, float* left, float* right, uint32_t frames);

// Forces the scalar renderer process-wide (true) or returns to the automatic choice (false).
// For comparisons and benchmarks; not part of the kernel's interface.
void forceScalarModalRender(bool scalar);
const char* modalRenderName();

}  // namespace velmo
