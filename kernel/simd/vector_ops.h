#pragma once
// Thin vector types for the resonator bank, one per register width. Each file that includes this
// header is compiled for one instruction set and gets the types its flags allow. They live in an
// anonymous namespace on purpose: every file keeps its own copy, so the linker can never hand code
// built for a wider instruction set to a path that runs on a narrower CPU.
#include <immintrin.h>

namespace velmo::simd {
namespace {

// Folds a block's lane-wise mix (Ops::WIDTH floats per frame, left and right lanes alternating)
// into left[i] and right[i] times master, four frames at a time. Ops::quad(v) adds a frame's
// lanes down to four: (left, right, left, right).
template <class Ops>
void foldMixByQuads(const float* mix, int frames, double master, float* left, float* right) {
    constexpr int W = Ops::WIDTH;
    const __m128d m = _mm_set1_pd(master);
    // master × value in double, rounded once, as the reference renderer does.
    auto scale = [m](__m128 v) {
        const __m128 lo = _mm_cvtpd_ps(_mm_mul_pd(_mm_cvtps_pd(v), m));
        const __m128 hi = _mm_cvtpd_ps(_mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(v, v)), m));
        return _mm_movelh_ps(lo, hi);
    };
    // Two frames' quads to (left a, right a, left b, right b).
    auto pairUp = [](__m128 a, __m128 b) {
        return _mm_add_ps(_mm_shuffle_ps(a, b, _MM_SHUFFLE(1, 0, 1, 0)),
                          _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 2, 3, 2)));
    };
    int i = 0;
    for (; i + 4 <= frames; i += 4) {
        const __m128 ab =
            pairUp(Ops::quad(Ops::load(mix + i * W)), Ops::quad(Ops::load(mix + (i + 1) * W)));
        const __m128 cd = pairUp(Ops::quad(Ops::load(mix + (i + 2) * W)),
                                 Ops::quad(Ops::load(mix + (i + 3) * W)));
        _mm_storeu_ps(left + i, scale(_mm_shuffle_ps(ab, cd, _MM_SHUFFLE(2, 0, 2, 0))));
        _mm_storeu_ps(right + i, scale(_mm_shuffle_ps(ab, cd, _MM_SHUFFLE(3, 1, 3, 1))));
    }
    for (; i < frames; ++i) {
        const __m128 q = Ops::quad(Ops::load(mix + i * W));
        const __m128 t = _mm_add_ps(q, _mm_movehl_ps(q, q));  // (left, right, ..)
        left[i] = float(master * double(_mm_cvtss_f32(t)));
        right[i] = float(master * double(_mm_cvtss_f32(_mm_shuffle_ps(t, t, 1))));
    }
}

struct Sse2Ops {
    using T = __m128;
    using Tail = Sse2Ops;  // four floats are the narrowest useful vector: no tail
    static constexpr int WIDTH = 4;
    static constexpr int REGISTERS = 16;
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
    static __m128 quad(T v) { return v; }
    static void foldMix(const float* mix, int frames, double master, float* left, float* right) {
        foldMixByQuads<Sse2Ops>(mix, frames, master, left, right);
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
    static constexpr int REGISTERS = 16;
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
    static __m128 quad(T v) {
        return _mm_add_ps(_mm256_castps256_ps128(v), _mm256_extractf128_ps(v, 1));
    }
    static void foldMix(const float* mix, int frames, double master, float* left, float* right) {
        foldMixByQuads<Avx2Ops>(mix, frames, master, left, right);
    }
};
#endif

#if defined(__AVX512F__) && defined(__AVX2__) && defined(__FMA__)
struct Avx512Ops {
    using T = __m512;
    using Tail = Avx2Ops;
    static constexpr int WIDTH = 16;
    static constexpr int REGISTERS = 32;
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
    static __m128 quad(T v) {
        return Avx2Ops::quad(_mm256_add_ps(_mm512_castps512_ps256(v), upperHalf(v)));
    }
    static void foldMix(const float* mix, int frames, double master, float* left, float* right) {
        foldMixByQuads<Avx512Ops>(mix, frames, master, left, right);
    }
};
#endif

}  // namespace
}  // namespace velmo::simd
