// Resonator bank for AVX-512F: sixteen resonators per vector, a whole voice in two registers.
// Compiled with -mavx512f; reached only when the CPU reports it.
#include <immintrin.h>

#include "kernel/simd/resonator_bank_impl.h"

namespace velmo::simd {
namespace {

struct Avx512 {
  using T = __m512;
  static constexpr int WIDTH = 16;
  static T load(const float* p) { return _mm512_loadu_ps(p); }
  static void store(float* p, T v) { _mm512_storeu_ps(p, v); }
  static T zero() { return _mm512_setzero_ps(); }
  static T set1(float x) { return _mm512_set1_ps(x); }
  static T add(T a, T b) { return _mm512_add_ps(a, b); }
  static T mul(T a, T b) { return _mm512_mul_ps(a, b); }
  static T fmadd(T a, T b, T c) { return _mm512_fmadd_ps(a, b, c); }
  static T fmsub(T a, T b, T c) { return _mm512_fmsub_ps(a, b, c); }
  static T divideWhereNonZero(T a, T b, T keep) {
    const __mmask16 nonZero = _mm512_cmp_ps_mask(b, _mm512_setzero_ps(), _CMP_NEQ_UQ);
    return _mm512_mask_div_ps(keep, nonZero, a, b);
  }
  static void sumPairs(T v, float* left, float* right) {
    // Only AVX-512F instructions: the upper half is moved through the double-precision view.
    const __m256 hi = _mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(v), 1));
    const __m256 q = _mm256_add_ps(_mm512_castps512_ps256(v), hi);
    __m128 h = _mm_add_ps(_mm256_castps256_ps128(q), _mm256_extractf128_ps(q, 1));
    h = _mm_add_ps(h, _mm_movehl_ps(h, h));
    *left = _mm_cvtss_f32(h);
    *right = _mm_cvtss_f32(_mm_shuffle_ps(h, h, 1));
  }
};

}  // namespace

void renderResonatorBankAvx512(const ResonatorVoiceJob* jobs, int jobCount, int frames,
                               float master, float* left, float* right) {
  detail::renderBank<Avx512>(jobs, jobCount, frames, master, left, right);
}

}  // namespace velmo::simd
