#pragma once
// The five bell families and how they become the recipe, note and strike-position tables
// of a modal state.
#include "kernel/modal_struck.h"

namespace velmo {

inline constexpr int BELLS_FAMILY_COUNT = 5;
inline constexpr int BELLS_NOTE_COUNT = 128;
inline constexpr int BELLS_VOICE_COUNT = 10;
inline constexpr int BELLS_MAX_FRAMES = 128;
inline constexpr int BELLS_REFERENCE_NOTE = 69;
inline constexpr double BELLS_REFERENCE_HZ = 440.0;
inline constexpr double BELL_POSITION_FLOOR = 0.06;

extern const int FAMILY_MODE_COUNT[BELLS_FAMILY_COUNT];
extern const double FAMILY_DURATION[BELLS_FAMILY_COUNT];
extern const double FAMILY_NOISE_AMOUNT[BELLS_FAMILY_COUNT];
extern const double FAMILY_RATIO[BELLS_FAMILY_COUNT * MODAL_STRUCK_MAX_MODES];
extern const double FAMILY_AMPLITUDE[BELLS_FAMILY_COUNT * MODAL_STRUCK_MAX_MODES];
extern const double FAMILY_DECAY[BELLS_FAMILY_COUNT * MODAL_STRUCK_MAX_MODES];

struct BellsState;

// Nearest family index to the raw "ir.family" value (halves upwards), clamped to 0-4.
int selectedFamily(double family);

void rebuildBellsTables(BellsState& bells);
void applyFamilyScalars(double noise, BellsState& bells);
void applyBellsFactoryDefaults(BellsState& bells);

}  // namespace velmo
