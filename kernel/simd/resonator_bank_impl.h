#pragma once
// The resonator bank algorithm, written once over a small vector type V. Included only by the
// per-instruction-set files, each of which defines its V in an anonymous namespace so that every
// instantiation stays inside the file compiled for that instruction set.
//
// V provides: type T; WIDTH, floats per vector (even, at most 16); REGISTERS, the vector
// registers the instruction set has; Tail, the vector type of half the width (V itself when
// there is none) and addTail(wide, tail) adding one into the low lanes; load and store
// (unaligned), zero, set1, add, sub, mul, fmadd(a, b, c) = a*b + c; divideWhereNonZero(a, b,
// keep) = a / b where b != 0 and keep elsewhere; foldMix(mix, frames, master, left, right)
// writing master × (even lanes, odd lanes) of each frame of the mix.
#include "kernel/simd/resonator_bank.h"

namespace velmo::simd::detail {

// N vectors of one voice's resonators, starting at float `base` of the voice's arrays, as a
// chain of one-vector links with named members, which the compiler keeps in registers.
// Inside the block each state is carried pre-multiplied by its mode gain, (R, I) = g (re, im):
// the recurrence is linear, so the heard sum becomes the plain sum of the I lanes and the gain
// multiply leaves the per-frame loop. States are scaled back on the way out (one extra rounding
// per block); modes with zero gain are never heard and keep their stored state.
// The coefficients stay in registers too when there are registers enough (COEFS_IN_REGISTERS);
// else they are read from the voice's arrays every frame, which costs loads but no stores.
template <class V, int N, bool COEFS_IN_REGISTERS>
struct Lanes {
    using T = typename V::T;
    T re, im, c, s, g;
    const float* cosAt;
    const float* sinAt;
    Lanes<V, N - 1, COEFS_IN_REGISTERS> rest;

    // `scale` multiplies every gain: a voice gain that holds for the whole block joins them.
    void load(const ResonatorVoiceJob& job, int base, float scale) {
        g = V::mul(V::load(job.modeGain + base), V::set1(scale));
        re = V::mul(g, V::load(job.stateRe + base));
        im = V::mul(g, V::load(job.stateIm + base));
        cosAt = job.coefCos + base;
        sinAt = job.coefSin + base;
        if constexpr (COEFS_IN_REGISTERS) {
            c = V::load(cosAt);
            s = V::load(sinAt);
        }
        rest.load(job, base + V::WIDTH, scale);
    }

    void store(const ResonatorVoiceJob& job, int base) const {
        float* pr = job.stateRe + base;
        float* pi = job.stateIm + base;
        V::store(pr, V::divideWhereNonZero(re, g, V::load(pr)));
        V::store(pi, V::divideWhereNonZero(im, g, V::load(pi)));
        rest.store(job, base + V::WIDTH);
    }

    // One frame; returns the sum of the heard (gain-weighted imaginary) lanes.
    template <bool EXCITE>
    T step(typename V::T e) {
        const T u = EXCITE ? V::add(V::mul(g, e), re) : re;
        const T cv = COEFS_IN_REGISTERS ? c : V::load(cosAt);
        const T sv = COEFS_IN_REGISTERS ? s : V::load(sinAt);
        // (c + i s)(u + i im), rounded as the reference does unless the compiler fuses a
        // multiply and add (allowed: it moves the output by far less than the tolerance).
        re = V::sub(V::mul(cv, u), V::mul(sv, im));
        im = V::add(V::mul(sv, u), V::mul(cv, im));
        if constexpr (N > 1)
            return V::add(im, rest.template step<EXCITE>(e));
        else
            return im;
    }
};

// The end of a chain: no resonators.
template <class V, bool COEFS_IN_REGISTERS>
struct Lanes<V, 0, COEFS_IN_REGISTERS> {
    void load(const ResonatorVoiceJob&, int, float) {}
    void store(const ResonatorVoiceJob&, int) const {}
};

// One voice over its frames: N full-width vectors and NT vectors of V::Tail (half width) after
// them, all held in registers across the block. The narrow tail avoids running a whole wide
// vector for the last few modes. Never inlined: as a function of its own each shape gets the
// whole register file, where inlined into one large caller its states went to the stack.
template <class V, int N, int NT, bool EXCITE, bool STEADY>
__attribute__((noinline)) void runVoice(const ResonatorVoiceJob& job, float* mix) {
    using Tail = typename V::Tail;
    constexpr int W = V::WIDTH;
    const float scale = STEADY ? job.steadyGain : 1.0f;
    // Four registers per vector of resonators with the coefficients, and a few to work in.
    constexpr bool COEFS_IN_REGISTERS = 4 * (N + NT) + 4 <= V::REGISTERS;
    Lanes<V, N, COEFS_IN_REGISTERS> wide;
    Lanes<Tail, NT, COEFS_IN_REGISTERS> tail;
    wide.load(job, 0, scale);
    tail.load(job, N * W, scale);
    const int frames = job.frames;
    for (int i = 0; i < frames; ++i) {
        const float e = EXCITE ? job.excite[i] : 0.0f;
        typename V::T acc = V::zero();
        if constexpr (N > 0) acc = wide.template step<EXCITE>(V::set1(e));
        if constexpr (NT > 0) acc = V::addTail(acc, tail.template step<EXCITE>(Tail::set1(e)));
        float* m = mix + i * W;
        if constexpr (STEADY)
            V::store(m, V::add(V::load(m), acc));
        else
            V::store(m, V::fmadd(acc, V::set1(job.envelope[i]), V::load(m)));
    }
    wide.store(job, 0);
    tail.store(job, N * W);
}

// Two voices of one shape over the whole block, both ringing freely at a steady gain: the
// commonest case. Each voice's frame-to-frame chain is latency-bound, so two independent chains
// side by side cost little more than one. Worth it only while both voices' states fit in
// registers (PAIRABLE); their coefficients then usually come from memory.
template <class V, int N, int NT>
constexpr bool PAIRABLE = 4 * (N + NT) + 4 <= V::REGISTERS;

template <class V, int N, int NT>
__attribute__((noinline)) void runVoicePair(const ResonatorVoiceJob& a, const ResonatorVoiceJob& b,
                                            float* mix) {
    using Tail = typename V::Tail;
    constexpr int W = V::WIDTH;
    constexpr bool COEFS_IN_REGISTERS = 8 * (N + NT) + 4 <= V::REGISTERS;
    Lanes<V, N, COEFS_IN_REGISTERS> wideA, wideB;
    Lanes<Tail, NT, COEFS_IN_REGISTERS> tailA, tailB;
    wideA.load(a, 0, a.steadyGain);
    wideB.load(b, 0, b.steadyGain);
    tailA.load(a, N * W, a.steadyGain);
    tailB.load(b, N * W, b.steadyGain);
    const int frames = a.frames;
    const typename V::T none = V::zero();
    for (int i = 0; i < frames; ++i) {
        typename V::T acc = V::zero();
        if constexpr (N > 0)
            acc = V::add(wideA.template step<false>(none), wideB.template step<false>(none));
        if constexpr (NT > 0) {
            const typename Tail::T noTail = Tail::zero();
            acc = V::addTail(acc, Tail::add(tailA.template step<false>(noTail),
                                            tailB.template step<false>(noTail)));
        }
        float* m = mix + i * W;
        V::store(m, V::add(V::load(m), acc));
    }
    wideA.store(a, 0);
    wideB.store(b, 0);
    tailA.store(a, N * W);
    tailB.store(b, N * W);
}

// A shape code names the register shape: code = 2 × (full-width vectors) + (tail vectors).
template <class V, int CODE>
void runSingle(const ResonatorVoiceJob& job, float* mix) {
    constexpr int N = CODE / 2, NT = CODE % 2;
    const bool excite = job.excite != nullptr;
    if (job.envelope == nullptr) {
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

template <class V, int CODE>
void runPair(const ResonatorVoiceJob& a, const ResonatorVoiceJob& b, float* mix) {
    runVoicePair<V, CODE / 2, CODE % 2>(a, b, mix);
}

using SingleFn = void (*)(const ResonatorVoiceJob&, float*);
using PairFn = void (*)(const ResonatorVoiceJob&, const ResonatorVoiceJob&, float*);

// Largest shape code: all 32 resonators in full-width vectors.
template <class V>
constexpr int MAX_SHAPE = 2 * (RESONATOR_BANK_MAX_RESONATORS / V::WIDTH);

template <class V, int CODE = 0>
constexpr void fillShapes(SingleFn* single, PairFn* pair) {
    if constexpr (CODE <= MAX_SHAPE<V>) {
        constexpr bool HAS_TAIL = V::Tail::WIDTH < V::WIDTH;
        if constexpr (CODE > 0 && (CODE % 2 == 0 || HAS_TAIL)) {
            single[CODE] = &runSingle<V, CODE>;
            if constexpr (PAIRABLE<V, CODE / 2, CODE % 2>) pair[CODE] = &runPair<V, CODE>;
        }
        fillShapes<V, CODE + 1>(single, pair);
    }
}

// Per shape code: the single-voice renderer and, where pairing pays, the pair renderer.
template <class V>
struct ShapeTable {
    SingleFn single[MAX_SHAPE<V> + 1] = {};
    PairFn pair[MAX_SHAPE<V> + 1] = {};
    constexpr ShapeTable() { fillShapes<V>(single, pair); }
};

// The register shape for the voice's heard resonators: whole vectors, plus one half-width
// vector when that covers the remainder.
template <class V>
inline int shapeCode(const ResonatorVoiceJob& job) {
    constexpr int W = V::WIDTH;
    constexpr bool HAS_TAIL = V::Tail::WIDTH < W;
    int resonators = job.resonators;
    if (resonators < 0) resonators = 0;
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
    return wide * 2 + tail;
}

template <class V>
inline void renderBank(const ResonatorVoiceJob* jobs, int jobCount, int frames, double master,
                       float* left, float* right) {
    constexpr int W = V::WIDTH;
    // Lane-wise mix of all voices; pairs of lanes are folded into left/right once per frame at the
    // end rather than once per voice and frame.
    alignas(64) float mix[RESONATOR_BANK_MAX_FRAMES * W];
    if (frames > RESONATOR_BANK_MAX_FRAMES) frames = RESONATOR_BANK_MAX_FRAMES;
    if (jobCount <= 0) {  // silence
        for (int i = 0; i < frames; ++i) left[i] = right[i] = 0.0f;
        return;
    }
    for (int i = 0; i < frames; ++i) V::store(mix + i * W, V::zero());
    static constexpr ShapeTable<V> SHAPES;
    ResonatorVoiceJob job[RESONATOR_BANK_MAX_JOBS];
    int code[RESONATOR_BANK_MAX_JOBS];
    bool done[RESONATOR_BANK_MAX_JOBS] = {};
    if (jobCount > RESONATOR_BANK_MAX_JOBS) jobCount = RESONATOR_BANK_MAX_JOBS;
    for (int v = 0; v < jobCount; ++v) {
        job[v] = jobs[v];
        if (job[v].frames > frames) job[v].frames = frames;
        code[v] = shapeCode<V>(job[v]);
    }
    // Steady, unexcited voices sounding the whole block are rendered two at a time.
    auto pairable = [&](int v) {
        return job[v].excite == nullptr && job[v].envelope == nullptr && job[v].frames == frames &&
               SHAPES.pair[code[v]] != nullptr;
    };
    for (int v = 0; v < jobCount; ++v) {
        if (done[v] || code[v] == 0) continue;  // code 0: nothing heard
        done[v] = true;
        int partner = -1;
        if (pairable(v))
            for (int w = v + 1; w < jobCount && partner < 0; ++w)
                if (!done[w] && code[w] == code[v] && pairable(w)) partner = w;
        if (partner >= 0) {
            done[partner] = true;
            SHAPES.pair[code[v]](job[v], job[partner], mix);
        } else {
            SHAPES.single[code[v]](job[v], mix);
        }
    }
    V::foldMix(mix, frames, master, left, right);
}

}  // namespace velmo::simd::detail
