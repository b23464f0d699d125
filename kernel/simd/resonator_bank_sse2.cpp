// Baseline x86-64 build of the resonator bank: four resonators per vector, no fused multiply-add.
#include "kernel/simd/resonator_bank_impl.h"
#include "kernel/simd/vector_ops.h"

namespace velmo::simd {

void renderResonatorBankSse2(const ResonatorVoiceJob* jobs, int jobCount, int frames, double master,
                             float* left, float* right) {
    detail::renderBank<Sse2Ops>(jobs, jobCount, frames, master, left, right);
}

}  // namespace velmo::simd
