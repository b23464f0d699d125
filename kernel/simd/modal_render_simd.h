#pragma once
// The vectorised voice renderer: the control part of each voice (excitation, envelope, ageing)
// runs through the same scalar functions as the reference renderer, a whole block per voice;
// the resonators then run in a resonator bank built for one instruction set.
#include <cstdint>

#include "kernel/modal_render.h"
#include "kernel/simd/resonator_bank.h"

namespace velmo {

enum class SimdLevel { Sse2, Avx2, Avx512 };

// True when this build carries the level and the CPU runs it.
bool simdLevelAvailable(SimdLevel level);
// The widest level available; Sse2 on any x86-64 CPU.
SimdLevel widestSimdLevel();
const char* simdLevelName(SimdLevel level);

// The renderer for a level (falls back to the scalar renderer when the level is unavailable),
// and the one the kernel uses: the widest level's, or the scalar renderer off x86-64.
ModalRenderFunction modalRendererFor(SimdLevel level);
ModalRenderFunction fastestModalRenderer();

// Renders like renderModalVoicesScalar, with the resonators in the given bank.
void renderModalVoicesWithBank(simd::ResonatorBankFn bank, ModalStruckState& state, float* left,
                               float* right, uint32_t frames);

}  // namespace velmo
