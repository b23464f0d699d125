#pragma once
// Thin vector types for the resonator bank, one per register width. Each file that includes this
// header is compiled for one instruction set and gets the types its flags allow. They live in an
// anonymous namespace on purpose: every file keeps its own copy, so the linker can never hand code
// built for a wider instruction set to a path that runs on a narrower CPU.
#include <immintrin.h>

namespace velmo::simd {
namespace {

struct Sse2Ops {
    using T = __m128;
    using Tail = Sse2Ops;  // four floats are the narrowest useful vector: no tail
    static constexpr int WIDTH = 4;
    static T load(const float* p) { return _mm_loadu_ps(p); }
    static void store(float* p, T v) { _mm_storeu_ps(p, v); }
    static T zero() { return _mm_setzero_ps(); }
    static T set1(float x) { return _mm_set1_ps(x); }
    static T add(T a, T b) { return _mm_add_ps(a, b); }
    static T sub(T a, T b) { return _mm_sub_ps(a, b); }
    static T mul(T a, T b) { return _mm_mul_ps(a, b); }
    static T fmadd(T a, T b, T c) { return _mm_add_ps(_mm_mul_ps(a, b), c); }
    static T addTail(T a, T b) { return _mm_add_ps(a, b); }
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

#if defined(__FMA__)
// Four floats with fused multiply-add: the tail of the eight-float vectors.
struct Fma128Ops : Sse2Ops {
    using Tail = Fma128Ops;
    static T fmadd(T a, T b, T c) { return _mm_fmadd_ps(a, b, c); }
};
#endif

#if defined(__AVX2__) && defined(__FMA__)
struct Avx2Ops {
    using T = __m256;
    using Tail = Fma128Ops;
    static constexpr int WIDTH = 8;
    static T load(const float* p) { return _mm256_loadu_ps(p); }
    static void store(float* p, T v) { _mm256_storeu_ps(p, v); }
    static T zero() { return _mm256_setzero_ps(); }
    static T set1(float x) { return _mm256_set1_ps(x); }
    static T add(T a, T b) { return _mm256_add_ps(a, b); }
    static T sub(T a, T b) { return _mm256_sub_ps(a, b); }
    static T mul(T a, T b) { return _mm256_mul_ps(a, b); }
    static T fmadd(T a, T b, T c) { return _mm256_fmadd_ps(a, b, c); }
    static T addTail(T a, __m128 b) {
        return _mm256_add_ps(a, _mm256_insertf128_ps(_mm256_setzero_ps(), b, 0));
    }
    static T divideWhereNonZero(T a, T b, T keep) {
        const T nonZero = _mm256_cmp_ps(b, _mm256_setzero_ps(), _CMP_NEQ_UQ);
        return _mm256_blendv_ps(keep, _mm256_div_ps(a, b), nonZero);
    }
    static void sumPairs(T v, float* left, float* right) {
        Sse2Ops::sumPairs(_mm_add_ps(_mm256_castps256_ps128(v), _mm256_extractf128_ps(v, 1)), left,
                          right);
    }
};
#endif

#if defined(__AVX512F__) && defined(__AVX2__) && defined(__FMA__)
struct Avx512Ops {
    using T = __m512;
    using Tail = Avx2Ops;
    static constexpr int WIDTH = 16;
    static T load(const float* p) { return _mm512_loadu_ps(p); }
    static void store(float* p, T v) { _mm512_storeu_ps(p, v); }
    static T zero() { return _mm512_setzero_ps(); }
    static T set1(float x) { return _mm512_set1_ps(x); }
    static T add(T a, T b) { return _mm512_add_ps(a, b); }
    static T sub(T a, T b) { return _mm512_sub_ps(a, b); }
    static T mul(T a, T b) { return _mm512_mul_ps(a, b); }
    static T fmadd(T a, T b, T c) { return _mm512_fmadd_ps(a, b, c); }
    // Only AVX-512F instructions: the upper half moves through the double-precision view.
    static __m256 upperHalf(T v) {
        return _mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(v), 1));
    }
    static T addTail(T a, __m256 b) { return _mm512_add_ps(a, _mm512_zextps256_ps512(b)); }
    static T divideWhereNonZero(T a, T b, T keep) {
        const __mmask16 nonZero = _mm512_cmp_ps_mask(b, _mm512_setzero_ps(), _CMP_NEQ_UQ);
        return _mm512_mask_div_ps(keep, nonZero, a, b);
    }
    static void sumPairs(T v, float* left, float* right) {
        Avx2Ops::sumPairs(_mm256_add_ps(_mm512_castps512_ps256(v), upperHalf(v)), left, right);
    }
};
#endif

}  // namespace
}  // namespace velmo::simd
