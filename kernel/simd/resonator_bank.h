#pragma once
// Vectorised modal resonator bank: advances the resonators of several voices over one block
// and mixes them into a stereo pair. One implementation per instruction set, chosen at run time.
namespace velmo::simd {

// A voice's resonators for one block. The arrays are the voice's 32 resonators, mode-major with
// left and right interleaved (index = mode * 2 + channel), as the voice state keeps them.
struct ResonatorVoiceJob {
    float* stateRe;
    float* stateIm;
    const float* coefCos;
    const float* coefSin;
    const float* modeGain;
    int resonators;         // leading resonators that can be heard (2 × modes in use), at most 32
    const float* excite;    // excitation per frame, or null when the block has none
    const float* envelope;  // voice gain per frame, or null when it is steadyGain throughout
    float steadyGain;
    int frames;  // frames the voice sounds in this block, counted from frame 0
};

// Renders `frames` frames: left[i] and right[i] = master × the sum over jobs of each voice's
// gain-weighted resonator outputs times its envelope. Every frame is written (zero when silent).
using ResonatorBankFn = void (*)(const ResonatorVoiceJob* jobs, int jobCount, int frames,
                                 double master, float* left, float* right);

constexpr int RESONATOR_BANK_MAX_FRAMES = 128;
constexpr int RESONATOR_BANK_MAX_RESONATORS = 32;
constexpr int RESONATOR_BANK_MAX_JOBS = 16;  // voices per call; more are not rendered

void renderResonatorBankSse2(const ResonatorVoiceJob* jobs, int jobCount, int frames, double master,
                             float* left, float* right);
void renderResonatorBankAvx2(const ResonatorVoiceJob* jobs, int jobCount, int frames, double master,
                             float* left, float* right);
void renderResonatorBankAvx512(const ResonatorVoiceJob* jobs, int jobCount, int frames,
                               double master, float* left, float* right);

}  // namespace velmo::simd
