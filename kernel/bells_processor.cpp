#include "kernel/bells_processor.h"

#include <cmath>
#include <new>

#include "kernel/bell_families.h"
#include "kernel/kernel_memory.h"
#include "kernel/modal_render.h"

namespace velmo::bells {
namespace {

bool isWhole(double x) { return std::isfinite(x) && std::floor(x) == x; }

bool blockIsValid(const BellsState& state, const ProcessBlock& b) {
    if (!state.prepared || b.inputChannels != 0 || b.outputChannels != 2) return false;
    if (!isWhole(b.capacity) || b.capacity < 1) return false;
    if (!isWhole(b.frameOffset) || b.frameOffset < 0) return false;
    if (!isWhole(b.frameCount) || b.frameCount < 0 || b.frameCount > BELLS_MAX_FRAMES) return false;
    const double end = b.frameOffset + b.frameCount;
    if (end > BELLS_MAX_FRAMES || end > b.capacity) return false;
    return b.output.data != nullptr && double(b.output.length) >= 2 * b.capacity;
}

}  // namespace

BellsState* createState() {
    void* memory = allocateKernelMemory(sizeof(BellsState), alignof(BellsState));
    if (!memory) return nullptr;
    BellsState* state = new (memory) BellsState{};
    initModalStruckState(state->modal, 48000);
    state->prepared = false;
    applyBellsFactoryDefaults(*state);
    return state;
}

void destroyState(BellsState* state) {
    if (!state) return;
    state->~BellsState();
    releaseKernelMemory(state, alignof(BellsState));
}

bool prepare(BellsState& state, const ProcessorConfig& config) {
    if (!std::isfinite(config.sampleRate) || config.sampleRate <= 0 ||
        config.maxFrames != BELLS_MAX_FRAMES || config.inputChannels != 0 ||
        config.outputChannels != 2) {
        state.prepared = false;
        return false;
    }
    initModalStruckState(state.modal, config.sampleRate);
    applyBellsFactoryDefaults(state);
    state.prepared = true;
    return true;
}

bool setParameter(BellsState& state, std::string_view key, double value) {
    if (!std::isfinite(value)) return false;
    ModalStruckState& modal = state.modal;
    auto clamp = [value](double low, double high) { return std::fmin(std::fmax(value, low), high); };
    if (key == "ir.family") {
        state.family = value;
        applyFamilyScalars(state.noise, state);
    } else if (key == "strike.position") {
        state.position = clamp(0, 1);
        setModalStruckV2Param(modal, MODAL_STRUCK_PARAM_POSITION, state.position);
    } else if (key == "strike.hardness") {
        setModalStruckV2Param(modal, MODAL_STRUCK_PARAM_HARDNESS, clamp(0, 1));
    } else if (key == "strike.noise") {
        applyFamilyScalars(value, state);
    } else if (key == "ir.decayScale") {
        setModalStruckV2Param(modal, MODAL_STRUCK_PARAM_DECAY_SCALE, clamp(0.2, 2.5));
    } else if (key == "ir.damping") {
        setModalStruckV2Param(modal, MODAL_STRUCK_PARAM_DAMPING, clamp(0.2, 3));
    } else if (key == "ir.size") {
        state.size = clamp(0.5, 2);
        setModalStruckV2Param(modal, MODAL_STRUCK_PARAM_SIZE, state.size);
    } else if (key == "ir.stereoWidth") {
        setModalStruckV2Param(modal, MODAL_STRUCK_PARAM_STEREO_WIDTH, clamp(0, 1));
    } else if (key == "amp.release") {
        setModalStruckV2Param(modal, MODAL_STRUCK_PARAM_RELEASE, clamp(0.02, 4));
    } else if (key == "master.level") {
        setModalStruckV2Param(modal, MODAL_STRUCK_PARAM_MASTER, clamp(0, 1));
    } else {
        return false;
    }
    return true;
}

bool handleEvent(BellsState& state, int kind, double a, double value) {
    if (!std::isfinite(a) || !std::isfinite(value)) return false;
    if (kind != PROCESSOR_EVENT_NOTE_ON && kind != PROCESSOR_EVENT_NOTE_OFF) return false;
    if (a < 0 || a > 127) return false;
    ModalStruckState& modal = state.modal;
    const int note = int(a);
    const int limit = modal.voiceLimit < MODAL_STRUCK_MAX_VOICES ? modal.voiceLimit
                                                                 : MODAL_STRUCK_MAX_VOICES;
    if (kind == PROCESSOR_EVENT_NOTE_OFF) {
        releaseModalNote(modal, note);
        return true;
    }
    if (modal.tablesDirty) rebuildBellsTables(state);
    const int32_t stamp = int32_t(modal.noteOnCounter);
    modal.noteOnCounter += 1;
    int slot = -1;
    for (int n = 0; n < modal.noteCount && n < MODAL_STRUCK_MAX_NOTES; ++n) {
        if (modal.noteKey[n] == note) {
            slot = n;
            break;
        }
    }
    if (slot < 0) return true;
    int voice = -1;
    for (int v = 0; v < limit; ++v) {
        if (modal.voiceActive[v] == 0) {
            voice = v;
            break;
        }
    }
    if (voice < 0) {
        voice = 0;
        for (int v = 1; v < limit; ++v)
            if (modal.voiceStamp[v] < modal.voiceStamp[voice]) voice = v;
    }
    if (voice < 0 || limit <= 0) return true;
    startModalVoice(modal, voice, note, slot, value, stamp);
    return true;
}

bool process(BellsState& state, const ProcessBlock& block) {
    if (!blockIsValid(state, block)) return false;
    if (state.modal.tablesDirty) rebuildBellsTables(state);
    const uint32_t offset = uint32_t(block.frameOffset);
    const uint32_t count = uint32_t(block.frameCount);
    if (count == 0) return true;
    float* left = block.output.data + offset;
    float* right = block.output.data + uint64_t(block.capacity) + offset;
    renderModalVoices(state.modal, left, right, count);
    return true;
}

void reset(BellsState& state) {
    for (int v = 0; v < MODAL_STRUCK_MAX_VOICES; ++v) resetModalStruckVoice(state.modal, v);
    state.modal.noteOnCounter = 1;
    applyBellsFactoryDefaults(state);
}

}  // namespace velmo::bells
