// Resonator bank for AVX2 with fused multiply-add: eight resonators per vector and a four-wide
// tail. Compiled with -mavx2 -mfma; reached only when the CPU reports both.
#include "kernel/simd/resonator_bank_impl.h"
#include "kernel/simd/vector_ops.h"

namespace velmo::simd {

void renderResonatorBankAvx2(const ResonatorVoiceJob* jobs, int jobCount, int frames, double master,
                             float* left, float* right) {
    detail::renderBank<Avx2Ops>(jobs, jobCount, frames, master, left, right);
}

}  // namespace velmo::simd
