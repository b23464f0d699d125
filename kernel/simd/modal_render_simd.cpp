#include "kernel/simd/modal_render_simd.h"

#include <cstring>

#include "kernel/modal_struck.h"

namespace velmo {
namespace {

constexpr int BLOCK = simd::RESONATOR_BANK_MAX_FRAMES;

// What a voice needs for one block besides its resonators. The state copies stand in for the
// voice's own arrays when the voice is freed inside the block: freeing zeroes those arrays, but
// the frames before the free must still ring from the old state.
struct VoiceScratch {
    alignas(64) float excite[BLOCK];
    alignas(64) float envelope[BLOCK];
    alignas(64) float re[MODAL_STRUCK_LANES];
    alignas(64) float im[MODAL_STRUCK_LANES];
};

// Resonators up to the last one with a gain: the rest are silent and need not run.
int heardResonators(const float* gain) {
    int last = MODAL_STRUCK_LANES;
    while (last > 0 && gain[last - 1] == 0.0f) --last;
    return (last + 1) & ~1;
}

// True when, for the whole block, the voice is not releasing and is not freed: its gain then
// holds and ageing is a plain count. The comparisons are the voice step's own.
bool steadyThrough(const ModalStruckState& state, int v, int frames) {
    if (state.releaseRemaining[v] > 0) return false;
    const double fs = state.sampleRate;
    const double lastAge = double(state.voiceAge[v] + frames);
    return !(lastAge > fs * 60) && !(lastAge > fs * state.params[MODAL_STRUCK_PARAM_TAIL_SECONDS]);
}

// Runs the voice's control part for up to `frames` frames, exactly as the voice step does, and
// fills its job. Returns false when the voice was not sounding.
bool planVoice(ModalStruckState& state, int v, int frames, VoiceScratch& scratch,
               simd::ResonatorVoiceJob& job) {
    if (state.voiceActive[v] != 1) return false;
    const bool exciting = state.exciteRemaining[v] > 0;
    job.coefCos = state.coefCos[v];
    job.coefSin = state.coefSin[v];
    job.modeGain = state.modeGain[v];
    job.resonators = heardResonators(state.modeGain[v]);
    job.excite = exciting ? scratch.excite : nullptr;

    if (steadyThrough(state, v, frames)) {
        if (exciting)
            for (int i = 0; i < frames; ++i) scratch.excite[i] = modalExcitation(state, v);
        state.voiceAge[v] += frames;
        job.stateRe = state.stateRe[v];
        job.stateIm = state.stateIm[v];
        job.envelope = nullptr;
        job.steadyGain = state.voiceGain[v];
        job.frames = frames;
        return true;
    }

    std::memcpy(scratch.re, state.stateRe[v], sizeof scratch.re);
    std::memcpy(scratch.im, state.stateIm[v], sizeof scratch.im);
    int sounding = frames;
    for (int i = 0; i < frames; ++i) {
        if (exciting) scratch.excite[i] = modalExcitation(state, v);
        bool releaseEnded = false;
        scratch.envelope[i] = modalEnvelope(state, v, releaseEnded);
        finishModalVoiceSample(state, v, releaseEnded);
        if (state.voiceActive[v] != 1) {
            sounding = i + 1;
            break;
        }
    }
    const bool freed = state.voiceActive[v] != 1;
    job.stateRe = freed ? scratch.re : state.stateRe[v];
    job.stateIm = freed ? scratch.im : state.stateIm[v];
    job.envelope = scratch.envelope;
    job.steadyGain = 1.0f;
    job.frames = sounding;
    return true;
}

void renderBlock(simd::ResonatorBankFn bank, ModalStruckState& state, float* left, float* right,
                 int frames) {
    VoiceScratch scratch[MODAL_STRUCK_MAX_VOICES];
    simd::ResonatorVoiceJob jobs[MODAL_STRUCK_MAX_VOICES];
    const int limit =
        state.voiceLimit < MODAL_STRUCK_MAX_VOICES ? state.voiceLimit : MODAL_STRUCK_MAX_VOICES;
    int count = 0;
    for (int v = 0; v < limit; ++v)
        if (planVoice(state, v, frames, scratch[count], jobs[count])) ++count;
    bank(jobs, count, frames, state.params[MODAL_STRUCK_PARAM_MASTER], left, right);
}

#if defined(__x86_64__)
void renderSse2(ModalStruckState& state, float* left, float* right, uint32_t frames) {
    renderModalVoicesWithBank(&simd::renderResonatorBankSse2, state, left, right, frames);
}
void renderAvx2(ModalStruckState& state, float* left, float* right, uint32_t frames) {
    renderModalVoicesWithBank(&simd::renderResonatorBankAvx2, state, left, right, frames);
}
void renderAvx512(ModalStruckState& state, float* left, float* right, uint32_t frames) {
    renderModalVoicesWithBank(&simd::renderResonatorBankAvx512, state, left, right, frames);
}
#endif

}  // namespace

void renderModalVoicesWithBank(simd::ResonatorBankFn bank, ModalStruckState& state, float* left,
                               float* right, uint32_t frames) {
    for (uint32_t done = 0; done < frames;) {
        const int chunk = frames - done < uint32_t(BLOCK) ? int(frames - done) : BLOCK;
        renderBlock(bank, state, left + done, right + done, chunk);
        done += uint32_t(chunk);
    }
}

bool simdLevelAvailable(SimdLevel level) {
#if defined(__x86_64__)
    // Also safe before static constructors have run (the kernel picks its renderer at load).
    __builtin_cpu_init();
    switch (level) {
        case SimdLevel::Sse2:
            return true;
        case SimdLevel::Avx2:
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
        case SimdLevel::Avx512:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx2") &&
                   __builtin_cpu_supports("fma");
    }
#else
    (void)level;
#endif
    return false;
}

SimdLevel widestSimdLevel() {
    if (simdLevelAvailable(SimdLevel::Avx512)) return SimdLevel::Avx512;
    if (simdLevelAvailable(SimdLevel::Avx2)) return SimdLevel::Avx2;
    return SimdLevel::Sse2;
}

const char* simdLevelName(SimdLevel level) {
    switch (level) {
        case SimdLevel::Sse2:
            return "sse2";
        case SimdLevel::Avx2:
            return "avx2";
        case SimdLevel::Avx512:
            return "avx512";
    }
    return "?";
}

ModalRenderFunction modalRendererFor(SimdLevel level) {
#if defined(__x86_64__)
    if (simdLevelAvailable(level)) {
        switch (level) {
            case SimdLevel::Sse2:
                return &renderSse2;
            case SimdLevel::Avx2:
                return &renderAvx2;
            case SimdLevel::Avx512:
                return &renderAvx512;
        }
    }
#else
    (void)level;
#endif
    return &renderModalVoicesScalar;
}

ModalRenderFunction fastestModalRenderer() {
#if defined(__x86_64__)
    return modalRendererFor(widestSimdLevel());
#else
    return &renderModalVoicesScalar;
#endif
}

}  // namespace velmo
