#include "kernel/kernel_instances.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>

#include "kernel/fp_guard.h"
#include "kernel/kernel_memory.h"
#include "kernel/kernel_trap.h"

namespace velmo {

const char* const PARAMETER_KEYS[PARAMETER_COUNT] = {
    "ir.family",     "strike.position", "strike.hardness", "strike.noise",   "ir.decayScale",
    "ir.damping",    "ir.size",         "ir.stereoWidth",  "amp.release",    "master.level",
};
const double PARAMETER_DEFAULTS[PARAMETER_COUNT] = {0, 0.15, 0.62, 0.12, 1.0,
                                                    1.0, 1.0, 0.5, 0.5, 0.78};

namespace {

struct alignas(64) KernelSlot {
    std::atomic<uint32_t> active;
    std::atomic<uint32_t> generation;
    uint32_t maximumBlockSize;
    uint32_t eventCount;
    uint32_t eventFrames[MAX_EVENTS];
    uint32_t eventKinds[MAX_EVENTS];
    uint32_t eventParameters[MAX_EVENTS];
    int32_t eventA[MAX_EVENTS];
    float eventValues[MAX_EVENTS];
    BellsState* state;
    ProcessBlock block;
};

struct KernelTables {
    KernelSlot slots[MAX_INSTANCES];
    alignas(64) float output[MAX_INSTANCES * OUTPUT_AREA_FLOATS];
    float emptyView[1];  // a valid, non-null pointer for areas of length 0
};

std::atomic<KernelTables*> g_tables{nullptr};
std::mutex g_lifecycle;  // runtime_init, create, destroy
float g_emptyBeforeInit[1];

KernelTables* tables() { return g_tables.load(std::memory_order_acquire); }

float* outputArea(KernelTables& t, uint32_t s) { return t.output + s * OUTPUT_AREA_FLOATS; }

// The slot of a live handle whose generation matches, or -1.
int slotFor(KernelTables* t, uint32_t handle) {
    if (!t || handle == 0) return -1;
    const uint32_t s = (handle - 1) % MAX_INSTANCES;
    const uint32_t g = (handle - 1) / MAX_INSTANCES + 1;
    KernelSlot& slot = t->slots[s];
    if (slot.active.load(std::memory_order_acquire) != 1) return -1;
    if (slot.generation.load(std::memory_order_relaxed) != g) return -1;
    return int(s);
}

bool applyParameter(uint32_t index, double value, BellsState& state) {
    if (index >= PARAMETER_COUNT) return false;
    return bells::setParameter(state, PARAMETER_KEYS[index], value);
}

bool applyDefaults(BellsState& state) {
    for (uint32_t i = 0; i < PARAMETER_COUNT; ++i)
        if (!applyParameter(i, PARAMETER_DEFAULTS[i], state)) return false;
    return true;
}

void releaseTables(KernelTables* t) {
    if (!t) return;
    for (KernelSlot& slot : t->slots) bells::destroyState(slot.state);
    t->~KernelTables();
    releaseKernelMemory(t, alignof(KernelTables));
}

bool renderRange(KernelSlot& slot, uint32_t from, uint32_t to) {
    slot.block.frameOffset = from;
    slot.block.frameCount = to - from;
    return bells::process(*slot.state, slot.block);
}

// Applies the events [first, end) that share one frame: parameters first, then the rest.
bool applyFrameGroup(KernelSlot& slot, uint32_t first, uint32_t end) {
    for (uint32_t i = first; i < end; ++i)
        if (slot.eventKinds[i] == EVENT_PARAMETER &&
            !applyParameter(slot.eventParameters[i], slot.eventValues[i], *slot.state))
            return false;
    for (uint32_t i = first; i < end; ++i)
        if (slot.eventKinds[i] != EVENT_PARAMETER &&
            !bells::handleEvent(*slot.state, int(slot.eventKinds[i]), slot.eventA[i],
                                slot.eventValues[i]))
            return false;
    return true;
}

int renderQueued(KernelSlot& slot, uint32_t frames) {
    uint32_t cursor = 0;
    uint32_t i = 0;
    const uint32_t count = slot.eventCount;
    while (i < count) {
        const uint32_t frame = slot.eventFrames[i];
        if (frame >= frames) break;  // this and every later event is discarded
        if (cursor < frame) {
            if (!renderRange(slot, cursor, frame)) return 2;
            cursor = frame;
        }
        uint32_t end = i + 1;
        while (end < count && slot.eventFrames[end] == frame) ++end;
        if (!applyFrameGroup(slot, i, end)) return 2;
        i = end;
    }
    if (cursor < frames && !renderRange(slot, cursor, frames)) return 2;
    slot.eventCount = 0;
    return 0;
}

}  // namespace

int64_t kernelRuntimeInit() {
    std::lock_guard<std::mutex> lock(g_lifecycle);
    releaseTables(g_tables.exchange(nullptr));
    void* memory = allocateKernelMemory(sizeof(KernelTables), alignof(KernelTables));
    if (!memory) kernelTrap(OUT_OF_MEMORY_MESSAGE, KernelEntry::runtime_init);
    KernelTables* t = new (memory) KernelTables{};
    g_tables.store(t, std::memory_order_release);
    return 0;
}

uint32_t kernelCreate(uint32_t maxFrames, uint32_t inputChannels, uint32_t outputChannels,
                      double sampleRate) {
    std::lock_guard<std::mutex> lock(g_lifecycle);
    KernelTables* t = tables();
    if (!t) return 0;
    if (!(sampleRate > 0) || !std::isfinite(sampleRate) || maxFrames < 1 ||
        maxFrames > MAX_FRAMES || inputChannels != 0 || outputChannels != OUT_CHANNELS)
        return 0;
    uint32_t s = 0;
    while (s < MAX_INSTANCES && t->slots[s].active.load(std::memory_order_relaxed) != 0) ++s;
    if (s == MAX_INSTANCES) return 0;
    KernelSlot& slot = t->slots[s];

    uint32_t g = slot.generation.load(std::memory_order_relaxed) + 1;
    if (g == 0) g = 1;
    // Past about 134 million creations in one slot the handle no longer fits 32 bits:
    // start the slot's generations again rather than hand out a handle that cannot be passed.
    if (uint64_t(s) + uint64_t(MAX_INSTANCES) * (g - 1) + 1 > UINT32_MAX) g = 1;
    slot.generation.store(g, std::memory_order_relaxed);

    BellsState* state = bells::createState();
    if (!state) kernelTrap(OUT_OF_MEMORY_MESSAGE, KernelEntry::create);
    const ProcessorConfig config{0, double(maxFrames), double(OUT_CHANNELS),
                                 double(float(sampleRate))};
    if (!bells::prepare(*state, config)) {
        bells::destroyState(state);
        return 0;
    }
    bells::destroyState(slot.state);
    slot.state = state;
    slot.maximumBlockSize = maxFrames;
    slot.eventCount = 0;
    slot.block = ProcessBlock{double(MAX_FRAMES), 0, 0, FloatArea{t->emptyView, 0}, 0,
                              FloatArea{outputArea(*t, s), OUTPUT_AREA_FLOATS}, double(OUT_CHANNELS)};
    if (!applyDefaults(*state)) {
        slot.maximumBlockSize = 0;
        return 0;
    }
    std::memset(outputArea(*t, s), 0, OUTPUT_AREA_FLOATS * sizeof(float));
    slot.active.store(1, std::memory_order_release);
    return s + MAX_INSTANCES * (g - 1) + 1;
}

FloatArea kernelInputView(uint32_t) {
    KernelTables* t = tables();
    return FloatArea{t ? t->emptyView : g_emptyBeforeInit, 0};
}

FloatArea kernelOutputView(uint32_t handle) {
    KernelTables* t = tables();
    const int s = slotFor(t, handle);
    if (s < 0) return FloatArea{t ? t->emptyView : g_emptyBeforeInit, 0};
    return FloatArea{outputArea(*t, uint32_t(s)), OUTPUT_AREA_FLOATS};
}

int kernelPushEvent(uint32_t handle, uint32_t kind, uint32_t frame, uint32_t a, double value) {
    KernelTables* t = tables();
    const int s = slotFor(t, handle);
    if (s < 0) return 1;
    KernelSlot& slot = t->slots[s];
    if (frame >= slot.maximumBlockSize) return 1;
    // Range tests are written so that NaN fails them.
    switch (kind) {
    case EVENT_PARAMETER:
        if (a >= PARAMETER_COUNT) return 2;
        break;
    case EVENT_NOTE_ON:
        if (a > 127 || !((value >= 0 && value <= 1) || (value >= 2 && value <= 3))) return 2;
        break;
    case EVENT_NOTE_OFF:
        if (a > 127 || !(value == 0)) return 2;
        break;
    case EVENT_CONTROL_CHANGE:
        if (a > 127 || !(value >= 0 && value <= 1)) return 2;
        break;
    default:
        return 2;
    }
    // A value finite as a double can still overflow the queued float (1e300): refuse it here
    // rather than queue an infinity that would fail every later process call.
    const float stored = float(value);
    if (!std::isfinite(value) || !std::isfinite(stored) || slot.eventCount >= MAX_EVENTS) return 3;
    const uint32_t n = slot.eventCount;
    if (n > 0 && frame < slot.eventFrames[n - 1]) return 4;
    slot.eventFrames[n] = frame;
    slot.eventKinds[n] = kind;
    slot.eventParameters[n] = kind == EVENT_PARAMETER ? a : 0;
    slot.eventA[n] = kind == EVENT_PARAMETER ? 0 : int32_t(a);
    slot.eventValues[n] = stored;
    slot.eventCount = n + 1;
    return 0;
}

int kernelProcess(uint32_t handle, uint32_t frames) {
    KernelTables* t = tables();
    const int s = slotFor(t, handle);
    if (s < 0) return 1;
    KernelSlot& slot = t->slots[s];
    if (frames > slot.maximumBlockSize) return 1;
    ScopedFlushDenormals flush;
    return renderQueued(slot, frames);
}

int kernelReset(uint32_t handle) {
    KernelTables* t = tables();
    const int s = slotFor(t, handle);
    if (s < 0) return 1;
    KernelSlot& slot = t->slots[s];
    bells::reset(*slot.state);
    if (!applyDefaults(*slot.state)) return 2;
    slot.eventCount = 0;
    std::memset(outputArea(*t, uint32_t(s)), 0, OUTPUT_AREA_FLOATS * sizeof(float));
    return 0;
}

int kernelDestroy(uint32_t handle) {
    std::lock_guard<std::mutex> lock(g_lifecycle);
    KernelTables* t = tables();
    const int s = slotFor(t, handle);
    if (s < 0) return 1;
    KernelSlot& slot = t->slots[s];
    slot.active.store(0, std::memory_order_release);
    slot.maximumBlockSize = 0;
    slot.eventCount = 0;
    return 0;
}

BellsState* kernelBellsState(uint32_t handle) {
    KernelTables* t = tables();
    const int s = slotFor(t, handle);
    return s < 0 ? nullptr : t->slots[s].state;
}

uint32_t kernelQueuedEventCount(uint32_t handle) {
    KernelTables* t = tables();
    const int s = slotFor(t, handle);
    return s < 0 ? 0 : t->slots[s].eventCount;
}

void kernelSetSlotGeneration(uint32_t slot, uint32_t generation) {
    std::lock_guard<std::mutex> lock(g_lifecycle);
    KernelTables* t = tables();
    if (t && slot < MAX_INSTANCES && t->slots[slot].active.load() == 0)
        t->slots[slot].generation.store(generation);
}

}  // namespace velmo
