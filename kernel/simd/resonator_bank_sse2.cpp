// Baseline x86-64 build of the resonator bank: four resonators per vector, no fused multiply-add.
#include <emmintrin.h>

#include "kernel/simd/resonator_bank_impl.h"

namespace velmo::simd {
namespace {

struct Sse2 {
  using T = __m128;
  static constexpr int WIDTH = 4;
  static T load(const float* p) { return _mm_loadu_ps(p); }
  static void store(float* p, T v) { _mm_storeu_ps(p, v); }
  static T zero() { return _mm_setzero_ps(); }
  static T set1(float x) { return _mm_set1_ps(x); }
  static T add(T a, T b) { return _mm_add_ps(a, b); }
  static T mul(T a, T b) { return _mm_mul_ps(a, b); }
  static T fmadd(T a, T b, T c) { return _mm_add_ps(_mm_mul_ps(a, b), c); }
  static T fmsub(T a, T b, T c) { return _mm_sub_ps(_mm_mul_ps(a, b), c); }
  static T divideWhereNonZero(T a, T b, T keep) {
    const T nonZero = _mm_cmpneq_ps(b, _mm_setzero_ps());
    return _mm_or_ps(_mm_and_ps(nonZero, _mm_div_ps(a, b)), _mm_andnot_ps(nonZero, keep));
  }
  static void sumPairs(T v, float* left, float* right) {
    const T t = _mm_add_ps(v, _mm_movehl_ps(v, v));  // (l0 + l1, r0 + r1, ..)
    *left = _mm_cvtss_f32(t);
    *right = _mm_cvtss_f32(_mm_shuffle_ps(t, t, 1));
  }
};

}  // namespace

void renderResonatorBankSse2(const ResonatorVoiceJob* jobs, int jobCount, int frames,
                             float master, float* left, float* right) {
  detail::renderBank<Sse2>(jobs, jobCount, frames, master, left, right);
}

}  // namespace velmo::simd
