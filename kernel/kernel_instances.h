#pragma once
// The instance table behind the C entry points: 32 slots, each with its own event queue,
// bells state, block record and 256-float output area. A slot is touched only by calls for
// its own handle, so different instances can render on different threads without a lock;
// runtime_init, create and destroy are serialised by one mutex (never taken on the audio path).
#include <cstdint>

#include "kernel/bells_processor.h"

namespace velmo {

inline constexpr uint32_t MAX_INSTANCES = 32;
inline constexpr uint32_t MAX_FRAMES = 128;
inline constexpr uint32_t OUT_CHANNELS = 2;
inline constexpr uint32_t MAX_EVENTS = 64;
inline constexpr uint32_t PARAMETER_COUNT = 10;
inline constexpr uint32_t EVENT_PARAMETER = 1;
inline constexpr uint32_t EVENT_NOTE_ON = 2;
inline constexpr uint32_t EVENT_NOTE_OFF = 3;
inline constexpr uint32_t EVENT_CONTROL_CHANGE = 4;
inline constexpr uint32_t OUTPUT_AREA_FLOATS = OUT_CHANNELS * MAX_FRAMES;

extern const char* const PARAMETER_KEYS[PARAMETER_COUNT];
extern const double PARAMETER_DEFAULTS[PARAMETER_COUNT];

// Statuses, as the entry points return them.
int64_t kernelRuntimeInit();
uint32_t kernelCreate(uint32_t maxFrames, uint32_t inputChannels, uint32_t outputChannels,
                      double sampleRate);
FloatArea kernelInputView(uint32_t handle);
FloatArea kernelOutputView(uint32_t handle);
int kernelPushEvent(uint32_t handle, uint32_t kind, uint32_t frame, uint32_t a, double value);
int kernelProcess(uint32_t handle, uint32_t frames);
int kernelReset(uint32_t handle);
int kernelDestroy(uint32_t handle);

// For tests: the bells state and queue length behind a live handle (null / 0 otherwise).
BellsState* kernelBellsState(uint32_t handle);
uint32_t kernelQueuedEventCount(uint32_t handle);
// For tests: pretends the slot has been taken `generation` times (free slots only).
void kernelSetSlotGeneration(uint32_t slot, uint32_t generation);

}  // namespace velmo
