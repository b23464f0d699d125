#include "kernel/modal_struck.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace velmo {
namespace {

struct ParamRange {
    double start;
    double low;
    double high;
};

// Start value and stored range of each parameter. Indices 12 and 15 have a lower bound that
// follows index 11 and 14; index 13 (the noise seed) is not quantised.
constexpr ParamRange PARAM_RANGES[MODAL_STRUCK_PARAM_COUNT] = {
    {0.15, 0, 1},       {0.6, 0, 1},      {0.1, 0, 1},         {1, 0.001, 60},
    {1, 0.001, 60},     {1, 0.001, 32},   {0.5, 0, 1},         {0.5, 0, 60},
    {0.8, 0, 1},        {2, 0, 4},        {0, -1, 1},          {600, 1, 24000},
    {9600, 1, 24000},   {2654435769.0, 1, 4294967295.0},        {3, 0.1, 100},
    {14, 0.1, 100},     {0.03, 0, 4},     {8, 0.01, 60},
};

// The rate the strike's level is set for.
constexpr double EXCITE_REFERENCE_RATE = 48000;

// Whole samples from a duration, kept inside int32 at any accepted sample rate.
int32_t wholeSamples(double samples) {
    double whole = std::floor(samples);
    if (!(whole < double(INT32_MAX))) return INT32_MAX;
    return int32_t(std::max(whole, double(INT32_MIN)));
}

double effectiveHardness(const ModalStruckState& state, int voice) {
    const double* p = state.params;
    double h = p[MODAL_STRUCK_PARAM_HARDNESS] + p[MODAL_STRUCK_PARAM_VELOCITY_HARDNESS_COUPLING] *
                                                    (double(state.voiceVelocity[voice]) - 0.7);
    return std::clamp(h, 0.0, 1.0);
}

uint32_t xorshift32(uint32_t x) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x;
}

}  // namespace

double quantiseModalValue(double value) {
    const double scaled = value * MODAL_STRUCK_VALUE_SCALE;
    double whole = std::floor(scaled);
    if (scaled - whole >= 0.5) whole += 1;  // halves upwards, also below zero
    return whole / MODAL_STRUCK_VALUE_SCALE;
}

void initModalStruckState(ModalStruckState& state, double sampleRate) {
    std::memset(&state, 0, sizeof state);
    for (int i = 0; i < MODAL_STRUCK_PARAM_COUNT; ++i) state.params[i] = PARAM_RANGES[i].start;
    float rounded = float(sampleRate);
    state.sampleRate = sampleRate > 0 && rounded > 0 ? double(rounded) : 48000.0;
    state.exciteRateScale = EXCITE_REFERENCE_RATE / state.sampleRate;
    state.noteOnCounter = 1;
    state.voiceLimit = 10;
    for (int v = 0; v < MODAL_STRUCK_MAX_VOICES; ++v) {
        state.voiceNote[v] = -1;
        state.noiseState[v] = 1;
    }
    for (int n = 0; n < MODAL_STRUCK_MAX_NOTES; ++n) state.noteKey[n] = -1;
}

void setModalStruckV2Param(ModalStruckState& state, int index, double value) {
    if (index < 0 || index >= MODAL_STRUCK_PARAM_COUNT || !std::isfinite(value)) return;
    if (index == MODAL_STRUCK_PARAM_NOISE_SEED) {
        double seed = std::fmod(std::floor(value), 4294967296.0);
        if (seed < 0) seed += 4294967296.0;
        state.params[index] = seed == 0 ? 1.0 : seed;
        return;
    }
    const double q = quantiseModalValue(value);
    double low = PARAM_RANGES[index].low;
    if (index == MODAL_STRUCK_PARAM_NOISE_CUTOFF_MAX_HZ)
        low = state.params[MODAL_STRUCK_PARAM_NOISE_CUTOFF_MIN_HZ];
    if (index == MODAL_STRUCK_PARAM_EXCITE_MAX_MS)
        low = state.params[MODAL_STRUCK_PARAM_EXCITE_MIN_MS];
    state.params[index] = std::clamp(q, low, PARAM_RANGES[index].high);
    if (index == MODAL_STRUCK_PARAM_POSITION || index == MODAL_STRUCK_PARAM_SIZE)
        state.tablesDirty = 1;
}

void resetModalStruckVoice(ModalStruckState& state, int v) {
    state.voiceNote[v] = -1;
    state.voiceActive[v] = 0;
    state.releaseRemaining[v] = 0;
    std::memset(state.stateRe[v], 0, sizeof state.stateRe[v]);
    std::memset(state.stateIm[v], 0, sizeof state.stateIm[v]);
}

void startModalVoice(ModalStruckState& state, int v, int note, int n, double velocity,
                     int32_t stamp) {
    const double* p = state.params;
    const int r = state.noteRecipe[n];
    const double f0 = state.noteHz[n];
    const double fs = state.sampleRate;

    state.voiceNote[v] = note;
    state.voiceActive[v] = 1;
    state.voiceStamp[v] = stamp;
    state.voiceAge[v] = 0;
    state.voiceVelocity[v] = float(std::clamp(velocity, 0.0, 1.0));
    state.voiceGain[v] =
        float(std::pow(double(state.voiceVelocity[v]), p[MODAL_STRUCK_PARAM_VELOCITY_GAIN_EXPONENT]) *
              p[MODAL_STRUCK_PARAM_BASE_GAIN] * double(state.recipeGain[r]) *
              double(state.noteGain[n]));
    state.releaseLength[v] = std::max(1, wholeSamples(fs * p[MODAL_STRUCK_PARAM_RELEASE]));
    state.releaseRemaining[v] = 0;

    uint32_t noise = uint32_t(p[MODAL_STRUCK_PARAM_NOISE_SEED]) ^
                     (uint32_t(note + 1) * 2654435761u) ^ uint32_t(stamp);
    state.noiseState[v] = noise == 0 ? 1 : noise;
    state.noiseFilter[v] = 0;

    const double h = effectiveHardness(state, v);
    const double tMin = p[MODAL_STRUCK_PARAM_EXCITE_MIN_MS];
    const double tMax = p[MODAL_STRUCK_PARAM_EXCITE_MAX_MS];
    const int32_t excite = std::max(1, std::min(wholeSamples(fs * tMax / 1000),
                                                wholeSamples(fs * (tMax - h * (tMax - tMin)) / 1000)));
    state.exciteLength[v] = excite;
    state.exciteRemaining[v] = excite;

    const int modes = state.recipeModeCount[r];
    const double spread = p[MODAL_STRUCK_PARAM_STEREO_WIDTH] * 0.0015;
    for (int m = 0; m < MODAL_STRUCK_MAX_MODES; ++m) {
        for (int ch = 0; ch < 2; ++ch) {
            const int k = m * 2 + ch;
            state.stateRe[v][k] = 0;
            state.stateIm[v][k] = 0;
            if (m >= modes) {
                state.modeGain[v][k] = 0;
                continue;
            }
            const int j = r * MODAL_STRUCK_MAX_MODES + m;
            double d = spread * (m + 1) / modes;
            if (ch == 0) d = -d;
            // Coefficients in double, rounded once: a one-ulp error drifts the phase audibly.
            const double rho = std::exp(-(p[MODAL_STRUCK_PARAM_DECAY_SCALE] *
                                          double(state.modeDecay[j]) * p[MODAL_STRUCK_PARAM_DAMPING] *
                                          std::pow(1.0 / p[MODAL_STRUCK_PARAM_SIZE], 0.2)) /
                                        fs);
            const double theta = PI2 * (1 + d) * f0 * double(state.modeRatio[j]) / fs;
            state.coefCos[v][k] = float(rho * std::cos(theta));
            state.coefSin[v][k] = float(rho * std::sin(theta));
            state.modeGain[v][k] =
                float(double(state.notePositionGain[n * MODAL_STRUCK_MAX_MODES + m]) *
                      double(state.modeAmplitude[j]));
        }
    }
}

void releaseModalNote(ModalStruckState& state, int note) {
    const int limit = std::min(state.voiceLimit, MODAL_STRUCK_MAX_VOICES);
    for (int v = 0; v < limit; ++v)
        if (state.voiceActive[v] == 1 && state.voiceNote[v] == note)
            state.releaseRemaining[v] = state.releaseLength[v];
}

float modalExcitation(ModalStruckState& state, int v) {
    const int32_t remaining = state.exciteRemaining[v];
    if (remaining <= 0) return 0.0f;
    const double* p = state.params;
    const double fs = state.sampleRate;
    const double window =
        0.5 - 0.5 * std::cos(PI2 * (1 - double(remaining) / double(state.exciteLength[v])));
    const double h = effectiveHardness(state, v);
    const double cutoff = p[MODAL_STRUCK_PARAM_NOISE_CUTOFF_MIN_HZ] +
                          h * (p[MODAL_STRUCK_PARAM_NOISE_CUTOFF_MAX_HZ] -
                               p[MODAL_STRUCK_PARAM_NOISE_CUTOFF_MIN_HZ]);
    const double a = std::exp(-PI2 * cutoff / fs);
    const uint32_t x = xorshift32(state.noiseState[v]);
    state.noiseState[v] = x;
    state.noiseFilter[v] =
        float(a * double(state.noiseFilter[v]) + (1 - a) * (2.0 * x / 4294967296.0 - 1));
    state.exciteRemaining[v] = remaining - 1;
    const double noise = p[MODAL_STRUCK_PARAM_NOISE];
    return float(window * ((1 - noise) * 0.8 + noise * double(state.noiseFilter[v]) * 0.8) *
                 state.exciteRateScale);
}

float modalEnvelope(ModalStruckState& state, int v, bool& releaseEnded) {
    releaseEnded = false;
    const int32_t remaining = state.releaseRemaining[v];
    if (remaining < 1) return state.voiceGain[v];
    state.releaseRemaining[v] = remaining - 1;
    releaseEnded = remaining == 1;
    return float(double(state.voiceGain[v]) * remaining / double(state.releaseLength[v]));
}

void finishModalVoiceSample(ModalStruckState& state, int v, bool releaseEnded) {
    const double fs = state.sampleRate;
    const double age = double(++state.voiceAge[v]);
    const bool releasing = state.releaseRemaining[v] > 0;
    if (age > fs * 60 || releaseEnded ||
        (!releasing && age > fs * state.params[MODAL_STRUCK_PARAM_TAIL_SECONDS]))
        resetModalStruckVoice(state, v);
}

ModalVoiceOutput modalVoiceStep(ModalStruckState& state, int v) {
    const float e = modalExcitation(state, v);
    float* re = state.stateRe[v];
    float* im = state.stateIm[v];
    const float* c = state.coefCos[v];
    const float* s = state.coefSin[v];
    const float* gain = state.modeGain[v];
    float sum[2] = {0.0f, 0.0f};
    for (int k = 0; k < MODAL_STRUCK_LANES; ++k) {
        const float u = e + re[k];
        const float oldIm = im[k];
        re[k] = c[k] * u - s[k] * oldIm;
        im[k] = s[k] * u + c[k] * oldIm;
        sum[k & 1] += im[k] * gain[k];
    }
    bool releaseEnded = false;
    const float g = modalEnvelope(state, v, releaseEnded);
    finishModalVoiceSample(state, v, releaseEnded);
    return {sum[0] * g, sum[1] * g};
}

}  // namespace velmo
