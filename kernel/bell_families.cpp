#include "kernel/bell_families.h"

#include <algorithm>
#include <cmath>

#include "kernel/bells_processor.h"

namespace velmo {

const int FAMILY_MODE_COUNT[BELLS_FAMILY_COUNT] = {10, 6, 4, 6, 6};
const double FAMILY_DURATION[BELLS_FAMILY_COUNT] = {9, 6, 3.5, 2.2, 9};
const double FAMILY_NOISE_AMOUNT[BELLS_FAMILY_COUNT] = {0, 0.04, 0, 0.06, 0};

// Carillon, Tubular Zuriz, Handbells, Glass, Singing Bowl; 16 entries each.
const double FAMILY_RATIO[BELLS_FAMILY_COUNT * MODAL_STRUCK_MAX_MODES] = {
    0.5, 1, 1.2, 1.5, 2, 2.55, 2.7, 3, 3.7, 4.2, 0, 0, 0, 0, 0, 0,
    0.224, 0.618, 1.209, 2, 2.988, 4.175, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    1, 3, 6.1, 9.4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    1, 2.03, 3.09, 4.18, 5.3, 6.45, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    1, 1.0062, 2.74, 2.7565, 5.2, 5.2365, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
};
const double FAMILY_AMPLITUDE[BELLS_FAMILY_COUNT * MODAL_STRUCK_MAX_MODES] = {
    0.58, 1, 0.72, 0.4, 0.86, 0.34, 0.26, 0.3, 0.18, 0.12, 0, 0, 0, 0, 0, 0,
    0.22, 0.34, 0.55, 1, 0.85, 0.5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    1, 0.55, 0.2, 0.08, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    1, 0.58, 0.33, 0.18, 0.1, 0.055, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    1, 0.92, 0.42, 0.39, 0.16, 0.145, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
};
// Amplitude decay rate per second, before scaling.
const double FAMILY_DECAY[BELLS_FAMILY_COUNT * MODAL_STRUCK_MAX_MODES] = {
    0.16, 0.28, 0.42, 0.55, 0.62, 1, 1.25, 1.55, 2.3, 3.1, 0, 0, 0, 0, 0, 0,
    0.35, 0.42, 0.55, 0.62, 0.85, 1.3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0.9, 1.6, 2.8, 4.5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    1.3, 2.2, 3.4, 5, 7, 9.5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0.09, 0.095, 0.22, 0.23, 0.45, 0.47, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
};

int selectedFamily(double family) {
    double nearest = std::floor(family + 0.5);
    return int(std::clamp(nearest, 0.0, double(BELLS_FAMILY_COUNT - 1)));
}

void rebuildBellsTables(BellsState& bells) {
    ModalStruckState& st = bells.modal;
    constexpr int MODES = MODAL_STRUCK_MAX_MODES;
    st.recipeCount = 0;
    st.noteCount = 0;
    for (int r = 0; r < MODAL_STRUCK_MAX_RECIPES; ++r) {
        st.recipeModeCount[r] = 0;
        st.recipeGain[r] = 0;
        for (int m = 0; m < MODES; ++m) {
            st.modeRatio[r * MODES + m] = 0;
            st.modeAmplitude[r * MODES + m] = 0;
            st.modeDecay[r * MODES + m] = 0;
        }
    }
    for (int n = 0; n < MODAL_STRUCK_MAX_NOTES; ++n) {
        st.noteKey[n] = -1;
        st.noteHz[n] = 0;
        st.noteRecipe[n] = 0;
        st.noteGain[n] = 0;
        for (int m = 0; m < MODES; ++m) st.notePositionGain[n * MODES + m] = 0;
    }

    const double stretch = (1 - bells.size) * 0.06 + 1;
    for (int f = 0; f < BELLS_FAMILY_COUNT; ++f) {
        const int count = FAMILY_MODE_COUNT[f];
        st.recipeModeCount[f] = std::clamp(count, 0, MODES);
        st.recipeGain[f] = 1;
        st.recipeCount = std::max(st.recipeCount, f + 1);
        for (int m = 0; m < count; ++m) {
            const int j = f * MODES + m;
            const double ratio =
                stretch == 1 ? FAMILY_RATIO[j] : std::pow(FAMILY_RATIO[j], stretch);
            st.modeRatio[j] = float(std::clamp(quantiseModalValue(ratio), 0.001, 32.0));
            st.modeAmplitude[j] = float(std::clamp(quantiseModalValue(FAMILY_AMPLITUDE[j]), 0.0, 4.0));
            st.modeDecay[j] = float(std::clamp(quantiseModalValue(FAMILY_DECAY[j]), 0.001, 40.0));
        }
    }

    const int family = selectedFamily(bells.family);
    const int used = FAMILY_MODE_COUNT[family];
    const double phi = std::clamp(bells.position, 0.0, 1.0) * (M_PI / 2);
    const double lowGain = std::cos(0.88 * phi);
    const double highGain = 0.65 * std::sin(phi) + 0.35;
    float positionGain[MODES];
    for (int m = 0; m < MODES; ++m) {
        double w = 0;
        if (m < used) {
            const double t = used > 1 ? double(m) / (used - 1) : 0.0;
            const double g = std::clamp((1 - t) * lowGain + t * highGain, 0.0, 1.0);
            w = BELL_POSITION_FLOOR + (1 - BELL_POSITION_FLOOR) * g;
        }
        positionGain[m] = float(std::clamp(quantiseModalValue(w), 0.0, 4.0));
    }
    for (int n = 0; n < BELLS_NOTE_COUNT; ++n) {
        st.noteKey[n] = n;
        const double hz = BELLS_REFERENCE_HZ * std::pow(2.0, (n - BELLS_REFERENCE_NOTE) / 12.0);
        st.noteHz[n] = float(std::clamp(quantiseModalValue(hz), 1.0, 24000.0));
        st.noteRecipe[n] = std::min(st.recipeCount - 1, family);
        st.noteGain[n] = 1;
        st.noteCount = std::max(st.noteCount, n + 1);
        for (int m = 0; m < MODES; ++m) st.notePositionGain[n * MODES + m] = positionGain[m];
    }
    st.tablesDirty = 0;
}

void applyFamilyScalars(double noise, BellsState& bells) {
    bells.noise = noise;
    const int family = selectedFamily(bells.family);
    setModalStruckV2Param(bells.modal, MODAL_STRUCK_PARAM_NOISE,
                          std::clamp(FAMILY_NOISE_AMOUNT[family] + noise, 0.0, 1.0));
    setModalStruckV2Param(bells.modal, MODAL_STRUCK_PARAM_TAIL_SECONDS,
                          std::min(9.0, FAMILY_DURATION[family]));
    bells.modal.tablesDirty = 1;
}

void applyBellsFactoryDefaults(BellsState& bells) {
    ModalStruckState& st = bells.modal;
    st.voiceLimit = std::min(12, std::max(10, BELLS_VOICE_COUNT));
    bells.family = 0;
    bells.position = 0.15;
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_POSITION, 0.15);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_HARDNESS, 0.62);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_DECAY_SCALE, 1);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_DAMPING, 1);
    bells.size = 1;
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_SIZE, 1);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_STEREO_WIDTH, 0.5);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_RELEASE, 0.5);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_MASTER, 0.78);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_VELOCITY_GAIN_EXPONENT, 2);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_VELOCITY_HARDNESS_COUPLING, 0.4);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_NOISE_CUTOFF_MIN_HZ, 400);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_NOISE_CUTOFF_MAX_HZ, 14000);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_NOISE_SEED, 1852796261);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_EXCITE_MIN_MS, 2);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_EXCITE_MAX_MS, 14);
    setModalStruckV2Param(st, MODAL_STRUCK_PARAM_BASE_GAIN, 0.012);
    applyFamilyScalars(0.12, bells);
}

}  // namespace velmo
