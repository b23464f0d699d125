#pragma once
// The resonator bank algorithm, written once over a small vector type V. Included only by the
// per-instruction-set files, each of which defines its V in an anonymous namespace so that every
// instantiation stays inside the file compiled for that instruction set.
//
// V provides: type T; WIDTH, floats per vector (even, at most 16); Tail, the vector type of half
// the width (V itself when there is none) and addTail(wide, tail) adding it into the low lanes;
// load and store (unaligned), zero, set1, add, sub, mul, fmadd(a, b, c) = a*b + c;
// divideWhereNonZero(a, b, keep) = a / b where b != 0 and keep elsewhere; sumPairs(v, &l, &r)
// adding the even lanes into l and the odd lanes into r.
#include "kernel/simd/resonator_bank.h"

namespace velmo::simd::detail {

// N vectors of one voice's resonators, starting at float `base` of the voice's arrays.
// Inside the block each state is carried pre-multiplied by its mode gain, (R, I) = g (re, im):
// the recurrence is linear, so the heard sum becomes the plain sum of the I lanes and the gain
// multiply leaves the per-frame loop. States are scaled back on the way out (one extra rounding
// per block); modes with zero gain are never heard and keep their stored state.
template <class V, int N>
struct Lanes {
    using T = typename V::T;
    static constexpr int SIZE = N > 0 ? N : 1;
    T re[SIZE], im[SIZE], c[SIZE], s[SIZE], g[SIZE];

    // `scale` multiplies every gain: a voice gain that holds for the whole block joins them.
    void load(const ResonatorVoiceJob& job, int base, float scale) {
#pragma GCC unroll 8
        for (int j = 0; j < N; ++j) {
            const int at = base + j * V::WIDTH;
            g[j] = V::mul(V::load(job.modeGain + at), V::set1(scale));
            re[j] = V::mul(g[j], V::load(job.stateRe + at));
            im[j] = V::mul(g[j], V::load(job.stateIm + at));
            c[j] = V::load(job.coefCos + at);
            s[j] = V::load(job.coefSin + at);
        }
    }

    void store(const ResonatorVoiceJob& job, int base) const {
#pragma GCC unroll 8
        for (int j = 0; j < N; ++j) {
            const int at = base + j * V::WIDTH;
            V::store(job.stateRe + at,
                     V::divideWhereNonZero(re[j], g[j], V::load(job.stateRe + at)));
            V::store(job.stateIm + at,
                     V::divideWhereNonZero(im[j], g[j], V::load(job.stateIm + at)));
        }
    }

    // One frame; returns the sum of the heard (gain-weighted imaginary) lanes.
    template <bool EXCITE>
    T step(float excite) {
        const T e = V::set1(excite);
        T acc = V::zero();
#pragma GCC unroll 8
        for (int j = 0; j < N; ++j) {
            const T u = EXCITE ? V::add(V::mul(g[j], e), re[j]) : re[j];
            // (c + i s)(u + i im) with separate multiplies and adds: on cores with their own add
            // pipes a fused multiply-add saves no multiplier slot and lengthens the chain that
            // carries the state from one frame to the next.
            re[j] = V::sub(V::mul(c[j], u), V::mul(s[j], im[j]));
            im[j] = V::add(V::mul(s[j], u), V::mul(c[j], im[j]));
            acc = j == 0 ? im[j] : V::add(acc, im[j]);
        }
        return acc;
    }
};

// One voice over its frames: N full-width vectors and NT vectors of V::Tail (half width) after
// them, all held in registers across the block. The narrow tail avoids running a whole wide
// vector for the last few modes.
template <class V, int N, int NT, bool EXCITE, bool STEADY>
inline void runVoice(const ResonatorVoiceJob& job, float* mix) {
    using Tail = typename V::Tail;
    constexpr int W = V::WIDTH;
    const float scale = STEADY ? job.steadyGain : 1.0f;
    Lanes<V, N> wide;
    Lanes<Tail, NT> tail;
    wide.load(job, 0, scale);
    tail.load(job, N * W, scale);
    for (int i = 0; i < job.frames; ++i) {
        const float e = EXCITE ? job.excite[i] : 0.0f;
        typename V::T acc = V::zero();
        if constexpr (N > 0) acc = wide.template step<EXCITE>(e);
        if constexpr (NT > 0) acc = V::addTail(acc, tail.template step<EXCITE>(e));
        float* m = mix + i * W;
        if constexpr (STEADY)
            V::store(m, V::add(V::load(m), acc));
        else
            V::store(m, V::fmadd(acc, V::set1(job.envelope[i]), V::load(m)));
    }
    wide.store(job, 0);
    tail.store(job, N * W);
}

template <class V, int N, int NT>
inline void runVoiceShape(const ResonatorVoiceJob& job, float* mix) {
    const bool excite = job.excite != nullptr;
    const bool steady = job.envelope == nullptr;
    if (steady) {
        if (excite)
            runVoice<V, N, NT, true, true>(job, mix);
        else
            runVoice<V, N, NT, false, true>(job, mix);
    } else {
        if (excite)
            runVoice<V, N, NT, true, false>(job, mix);
        else
            runVoice<V, N, NT, false, false>(job, mix);
    }
}

// Chooses the register shape for the voice's heard resonators: whole vectors, plus one
// half-width vector when that covers the remainder.
template <class V>
inline void runVoiceAnyShape(const ResonatorVoiceJob& job, float* mix) {
    constexpr int W = V::WIDTH;
    constexpr bool HAS_TAIL = V::Tail::WIDTH < W;
    int resonators = job.resonators;
    if (resonators <= 0) resonators = 0;
    if (resonators > RESONATOR_BANK_MAX_RESONATORS) resonators = RESONATOR_BANK_MAX_RESONATORS;
    int wide = resonators / W;
    const int rest = resonators % W;
    int tail = 0;
    if (rest > 0) {
        if (HAS_TAIL && rest <= W / 2)
            tail = 1;
        else
            ++wide;
    }
    if constexpr (W == 4) {
        switch (wide) {
            case 1:
                return runVoiceShape<V, 1, 0>(job, mix);
            case 2:
                return runVoiceShape<V, 2, 0>(job, mix);
            case 3:
                return runVoiceShape<V, 3, 0>(job, mix);
            case 4:
                return runVoiceShape<V, 4, 0>(job, mix);
            case 5:
                return runVoiceShape<V, 5, 0>(job, mix);
            case 6:
                return runVoiceShape<V, 6, 0>(job, mix);
            case 7:
                return runVoiceShape<V, 7, 0>(job, mix);
            case 8:
                return runVoiceShape<V, 8, 0>(job, mix);
            default:
                return;
        }
    } else if constexpr (W == 8) {
        switch (wide * 2 + tail) {
            case 1:
                return runVoiceShape<V, 0, 1>(job, mix);
            case 2:
                return runVoiceShape<V, 1, 0>(job, mix);
            case 3:
                return runVoiceShape<V, 1, 1>(job, mix);
            case 4:
                return runVoiceShape<V, 2, 0>(job, mix);
            case 5:
                return runVoiceShape<V, 2, 1>(job, mix);
            case 6:
                return runVoiceShape<V, 3, 0>(job, mix);
            case 7:
                return runVoiceShape<V, 3, 1>(job, mix);
            case 8:
                return runVoiceShape<V, 4, 0>(job, mix);
            default:
                return;
        }
    } else {
        static_assert(W == 16, "vector width must be 4, 8 or 16 floats");
        switch (wide * 2 + tail) {
            case 1:
                return runVoiceShape<V, 0, 1>(job, mix);
            case 2:
                return runVoiceShape<V, 1, 0>(job, mix);
            case 3:
                return runVoiceShape<V, 1, 1>(job, mix);
            case 4:
                return runVoiceShape<V, 2, 0>(job, mix);
            default:
                return;
        }
    }
}

template <class V>
inline void renderBank(const ResonatorVoiceJob* jobs, int jobCount, int frames, double master,
                       float* left, float* right) {
    constexpr int W = V::WIDTH;
    // Lane-wise mix of all voices; pairs of lanes are folded into left/right once per frame at the
    // end rather than once per voice and frame.
    alignas(64) float mix[RESONATOR_BANK_MAX_FRAMES * W];
    if (frames > RESONATOR_BANK_MAX_FRAMES) frames = RESONATOR_BANK_MAX_FRAMES;
    for (int i = 0; i < frames; ++i) V::store(mix + i * W, V::zero());
    for (int v = 0; v < jobCount; ++v) {
        ResonatorVoiceJob job = jobs[v];
        if (job.frames > frames) job.frames = frames;
        runVoiceAnyShape<V>(job, mix);
    }
    for (int i = 0; i < frames; ++i) {
        float l = 0.0f, r = 0.0f;
        V::sumPairs(V::load(mix + i * W), &l, &r);
        left[i] = float(master * double(l));
        right[i] = float(master * double(r));
    }
}

}  // namespace velmo::simd::detail
