#pragma once
// The generic struck modal voice bank: up to 12 voices, each ringing through 16 modes, every
// mode a pair of complex one-pole resonators (left tuned down, right tuned up).
//
// Resonator arrays are kept per voice as 32 contiguous floats, index m * 2 + ch (ch 0 left,
// 1 right), aligned for vector loads; the renderer may keep a whole voice in registers.
#include <cstdint>

namespace velmo {

inline constexpr int MODAL_STRUCK_MAX_VOICES = 12;
inline constexpr int MODAL_STRUCK_MAX_MODES = 16;
inline constexpr int MODAL_STRUCK_MAX_RECIPES = 8;
inline constexpr int MODAL_STRUCK_MAX_NOTES = 128;
inline constexpr int MODAL_STRUCK_VALUE_SCALE = 100000;
inline constexpr int MODAL_STRUCK_PARAM_COUNT = 18;
inline constexpr int MODAL_STRUCK_LANES = MODAL_STRUCK_MAX_MODES * 2;  // resonators per voice
inline constexpr double PI2 = 6.283185307179586;

inline constexpr int MODAL_STRUCK_PARAM_POSITION = 0;
inline constexpr int MODAL_STRUCK_PARAM_HARDNESS = 1;
inline constexpr int MODAL_STRUCK_PARAM_NOISE = 2;
inline constexpr int MODAL_STRUCK_PARAM_DECAY_SCALE = 3;
inline constexpr int MODAL_STRUCK_PARAM_DAMPING = 4;
inline constexpr int MODAL_STRUCK_PARAM_SIZE = 5;
inline constexpr int MODAL_STRUCK_PARAM_STEREO_WIDTH = 6;
inline constexpr int MODAL_STRUCK_PARAM_RELEASE = 7;
inline constexpr int MODAL_STRUCK_PARAM_MASTER = 8;
inline constexpr int MODAL_STRUCK_PARAM_VELOCITY_GAIN_EXPONENT = 9;
inline constexpr int MODAL_STRUCK_PARAM_VELOCITY_HARDNESS_COUPLING = 10;
inline constexpr int MODAL_STRUCK_PARAM_NOISE_CUTOFF_MIN_HZ = 11;
inline constexpr int MODAL_STRUCK_PARAM_NOISE_CUTOFF_MAX_HZ = 12;
inline constexpr int MODAL_STRUCK_PARAM_NOISE_SEED = 13;
inline constexpr int MODAL_STRUCK_PARAM_EXCITE_MIN_MS = 14;
inline constexpr int MODAL_STRUCK_PARAM_EXCITE_MAX_MS = 15;
inline constexpr int MODAL_STRUCK_PARAM_BASE_GAIN = 16;
inline constexpr int MODAL_STRUCK_PARAM_TAIL_SECONDS = 17;

struct ModalStruckState {
    // Per voice.
    int32_t voiceActive[MODAL_STRUCK_MAX_VOICES];
    int32_t voiceStamp[MODAL_STRUCK_MAX_VOICES];
    int32_t voiceNote[MODAL_STRUCK_MAX_VOICES];
    int32_t exciteRemaining[MODAL_STRUCK_MAX_VOICES];
    int32_t exciteLength[MODAL_STRUCK_MAX_VOICES];
    int64_t voiceAge[MODAL_STRUCK_MAX_VOICES];  // 64-bit: no overflow at any accepted rate
    float voiceGain[MODAL_STRUCK_MAX_VOICES];
    float voiceVelocity[MODAL_STRUCK_MAX_VOICES];
    float noiseFilter[MODAL_STRUCK_MAX_VOICES];
    uint32_t noiseState[MODAL_STRUCK_MAX_VOICES];
    int32_t releaseLength[MODAL_STRUCK_MAX_VOICES];
    int32_t releaseRemaining[MODAL_STRUCK_MAX_VOICES];

    // Per voice, mode and channel: [voice][mode * 2 + channel].
    alignas(64) float stateRe[MODAL_STRUCK_MAX_VOICES][MODAL_STRUCK_LANES];
    alignas(64) float stateIm[MODAL_STRUCK_MAX_VOICES][MODAL_STRUCK_LANES];
    alignas(64) float coefCos[MODAL_STRUCK_MAX_VOICES][MODAL_STRUCK_LANES];
    alignas(64) float coefSin[MODAL_STRUCK_MAX_VOICES][MODAL_STRUCK_LANES];
    alignas(64) float modeGain[MODAL_STRUCK_MAX_VOICES][MODAL_STRUCK_LANES];

    // Recipes: [recipe * 16 + mode].
    int32_t recipeCount;
    float recipeGain[MODAL_STRUCK_MAX_RECIPES];
    int32_t recipeModeCount[MODAL_STRUCK_MAX_RECIPES];
    float modeRatio[MODAL_STRUCK_MAX_RECIPES * MODAL_STRUCK_MAX_MODES];
    float modeAmplitude[MODAL_STRUCK_MAX_RECIPES * MODAL_STRUCK_MAX_MODES];
    float modeDecay[MODAL_STRUCK_MAX_RECIPES * MODAL_STRUCK_MAX_MODES];

    // Notes: [slot], and [slot * 16 + mode] for position gains.
    int32_t noteCount;
    int32_t noteKey[MODAL_STRUCK_MAX_NOTES];
    float noteHz[MODAL_STRUCK_MAX_NOTES];
    float noteGain[MODAL_STRUCK_MAX_NOTES];
    int32_t noteRecipe[MODAL_STRUCK_MAX_NOTES];
    float notePositionGain[MODAL_STRUCK_MAX_NOTES * MODAL_STRUCK_MAX_MODES];

    double params[MODAL_STRUCK_PARAM_COUNT];
    double sampleRate;  // held at single precision
    // 48000 / sampleRate. The strike lasts a fixed time, so its length in samples grows with
    // the rate and every resonator takes in proportionally more; scaling each excitation
    // sample by this keeps the level the same at every rate (and exactly as it was at 48 kHz).
    double exciteRateScale;
    uint32_t tablesDirty;
    uint32_t noteOnCounter;
    int32_t voiceLimit;
};

// Left and right contribution of one voice for one sample.
struct ModalVoiceOutput {
    float left;
    float right;
};

// Nearest multiple of 1/100000, halves upwards: the quantum of every stored value.
double quantiseModalValue(double value);

// Resets every field to the start values for the given rate (48000 when not above 0).
void initModalStruckState(ModalStruckState& state, double sampleRate);
// Quantises to 1/100000 and clamps; indices outside 0-17 and non-finite values are ignored.
void setModalStruckV2Param(ModalStruckState& state, int index, double value);
void resetModalStruckVoice(ModalStruckState& state, int voice);
void startModalVoice(ModalStruckState& state, int voice, int note, int noteSlot, double velocity,
                     int32_t stamp);
// Starts the release fade of every sounding voice below voiceLimit that plays the note.
void releaseModalNote(ModalStruckState& state, int note);

// Per-voice excitation sample, advancing the noise generator; 0 once the strike is over.
// Scaled by exciteRateScale and rounded to single precision once, as every renderer must
// read it.
float modalExcitation(ModalStruckState& state, int voice);
// Envelope gain for this sample, advancing the release; sets releaseEnded when the fade has
// just run out.
float modalEnvelope(ModalStruckState& state, int voice, bool& releaseEnded);
// Ages the voice by one sample and frees it when its time is up.
void finishModalVoiceSample(ModalStruckState& state, int voice, bool releaseEnded);

// One sample of one sounding voice (excitation, resonators, envelope, ageing).
ModalVoiceOutput modalVoiceStep(ModalStruckState& state, int voice);

}  // namespace velmo
