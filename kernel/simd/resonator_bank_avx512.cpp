// Resonator bank for AVX-512F: sixteen resonators per vector and an eight-wide tail.
// Compiled with -mavx512f -mavx2 -mfma; reached only when the CPU reports all three.
// GCC 12's AVX-512 headers start some half-width moves from an undefined register and warn about
// it inside their own inline functions.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include "kernel/simd/resonator_bank_impl.h"
#include "kernel/simd/vector_ops.h"

namespace velmo::simd {

void renderResonatorBankAvx512(const ResonatorVoiceJob* jobs, int jobCount, int frames,
                               double master, float* left, float* right) {
    detail::renderBank<Avx512Ops>(jobs, jobCount, frames, master, left, right);
}

}  // namespace velmo::simd
