// Resonator bank for AVX2 with fused multiply-add: eight resonators per vector.
// Compiled with -mavx2 -mfma; reached only when the CPU reports both.
#include <immintrin.h>

#include "kernel/simd/resonator_bank_impl.h"

namespace velmo::simd {
namespace {

struct Avx2 {
  using T = __m256;
  static constexpr int WIDTH = 8;
  static T load(const float* p) { return _mm256_loadu_ps(p); }
  static void store(float* p, T v) { _mm256_storeu_ps(p, v); }
  static T zero() { return _mm256_setzero_ps(); }
  static T set1(float x) { return _mm256_set1_ps(x); }
  static T add(T a, T b) { return _mm256_add_ps(a, b); }
  static T mul(T a, T b) { return _mm256_mul_ps(a, b); }
  static T fmadd(T a, T b, T c) { return _mm256_fmadd_ps(a, b, c); }
  static T fmsub(T a, T b, T c) { return _mm256_fmsub_ps(a, b, c); }
  static T divideWhereNonZero(T a, T b, T keep) {
    const T nonZero = _mm256_cmp_ps(b, _mm256_setzero_ps(), _CMP_NEQ_UQ);
    return _mm256_blendv_ps(keep, _mm256_div_ps(a, b), nonZero);
  }
  static void sumPairs(T v, float* left, float* right) {
    __m128 h = _mm_add_ps(_mm256_castps256_ps128(v), _mm256_extractf128_ps(v, 1));
    h = _mm_add_ps(h, _mm_movehl_ps(h, h));
    *left = _mm_cvtss_f32(h);
    *right = _mm_cvtss_f32(_mm_shuffle_ps(h, h, 1));
  }
};

}  // namespace

void renderResonatorBankAvx2(const ResonatorVoiceJob* jobs, int jobCount, int frames,
                             float master, float* left, float* right) {
  detail::renderBank<Avx2>(jobs, jobCount, frames, master, left, right);
}

}  // namespace velmo::simd
