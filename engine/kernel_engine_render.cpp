// KernelEngine: block rendering at the host rate, in chunks split at event frames.
#include <cstdio>
#include <cstring>

#include "engine/kernel_engine.h"
#include "engine/kernel_trace.h"

namespace velmo {
namespace {

constexpr int32_t kChunkFrames = 128;
constexpr uint32_t kKernelParameter = 1;
constexpr uint32_t kKernelNoteOn = 2;
constexpr uint32_t kKernelNoteOff = 3;

}  // namespace

void KernelEngine::clearOutputs(float* const* outputs, int32_t outputChannels, int32_t frames,
                                int32_t from) const {
    if (outputs == nullptr || outputChannels <= 0 || frames <= from) return;
    for (int32_t c = 0; c < outputChannels; ++c) {
        if (outputs[c] != nullptr) std::memset(outputs[c] + from, 0, sizeof(float) * (frames - from));
    }
}

void KernelEngine::failBlock(float* const* outputs, int32_t outputChannels, int32_t frames, uint32_t code,
                             uint8_t severity) {
    clearOutputs(outputs, outputChannels, frames, 0);
    queue_.clear();
    blockFailed_ = true;
    blockSilent_ = true;
    recordRealtimeDiagnostic(code, severity, kPhaseProcess);
}

bool KernelEngine::pushProductParameter(uint32_t id, uint32_t frame, const char* source, double value) {
    const double status = kernel_.entries().pushEvent(kernelHandle_, kKernelParameter, frame, id, value);
    if (std::FILE* trace = kernelTraceFile()) {
        std::fprintf(trace, "E this=%p blk=%llu frame=%u kind=1 a=%u value=%.17g src=%s status=%g\n",
                     static_cast<void*>(this), static_cast<unsigned long long>(currentTraceBlock()), frame, id,
                     value, source, status);
    }
    if (status != 0.0) {
        paramsDirty_.store(true, std::memory_order_release);  // offered again at the next chunk
        return false;
    }
    kernelParamShadow_[id] = value;
    return true;
}

void KernelEngine::publishDirtyProductParameters(const bool* skip) {
    if (!paramsDirty_.exchange(false, std::memory_order_acq_rel)) return;
    for (uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
        if (skip != nullptr && skip[id]) continue;
        if (paramValues_[id] != kernelParamShadow_[id]) pushProductParameter(id, 0, "republish", paramValues_[id]);
    }
}

void KernelEngine::deliverEvent(velmo_engine_event& e, uint32_t offset) {
    e.delivered = true;
    if (e.kind == kEngineEventParameter) {
        if (e.id >= VELMO_PARAM_COUNT) return;
        paramValues_[e.id] = e.value;
        pushProductParameter(e.id, offset, "queue", e.value);
        return;
    }
    const KernelEntryPoints& k = kernel_.entries();
    const uint32_t a = static_cast<uint32_t>(e.pitch);
    double status = -1.0;
    int traceKind = 0;
    if (e.kind == kEngineEventNoteOn) {
        status = k.pushEvent(kernelHandle_, kKernelNoteOn, offset, a, e.value);
        traceKind = 2;
    } else if (e.kind == kEngineEventNoteOff) {
        status = k.pushEvent(kernelHandle_, kKernelNoteOff, offset, a, 0.0);
        traceKind = 3;
    }
    if (std::FILE* trace = kernelTraceFile()) {
        std::fprintf(trace, "E this=%p blk=%llu frame=%u kind=%d a=%u value=%.17g src=queue status=%g\n",
                     static_cast<void*>(this), static_cast<unsigned long long>(currentTraceBlock()), offset,
                     traceKind, a, e.value, status);
    }
    if (status != 0.0 && status != -1.0) recordRealtimeDiagnostic(kDiagEventRejected, kSeverityError, kPhaseProcess);
}

bool KernelEngine::renderKernelChunk(uint32_t frames) {
    return kernel_.entries().process(kernelHandle_, frames) == 0.0;
}

void KernelEngine::processBlock(const float* const* inputs, int32_t inputChannels, const float* const*,
                                int32_t, float* const* outputs, int32_t outputChannels, int32_t frames) {
    processBlock(inputs, inputChannels, outputs, outputChannels, frames);
}

void KernelEngine::processBlock(const float* const* inputs, int32_t inputChannels, float* const* outputs,
                                int32_t outputChannels, int32_t frames) {
    if (!ready_) {
        failBlock(outputs, outputChannels, frames, kDiagProcessFailed, kSeverityFatal);
        return;
    }
    blockFailed_ = false;
    blockSilent_ = false;

    if (frames < 1) {
        // A flush: parameter values take effect at the next block; notes are dropped.
        queue_.sortByFrame();
        flushParameterEvents();
        return;
    }
    if (outputChannels < 1 || outputs == nullptr || frames > maxBlockFrames_ || kernelHandle_ == 0 ||
        outputView_ == nullptr) {
        failBlock(outputs, outputChannels, frames, kDiagProcessFailed, kSeverityError);
        return;
    }

    if (adapterActive()) {
        if (adapterFailed_) {
            failBlock(outputs, outputChannels, frames, kDiagRateAdapterFailed, kSeverityError);
        } else if (!processHandleV2RateConverted(inputs, inputChannels, outputs, outputChannels, frames)) {
            resetRateAdapterState();
            adapterFailed_ = true;
            failBlock(outputs, outputChannels, frames, kDiagRateAdapterFailed, kSeverityError);
        }
        return;
    }
    renderDirect(outputs, outputChannels, frames);
}

void KernelEngine::renderDirect(float* const* outputs, int32_t outputChannels, int32_t frames) {
    queue_.sortByFrame();
    // Parameters the queue sets at frame 0 need no republish before them.
    bool skip[VELMO_PARAM_COUNT] = {};
    for (int32_t i = 0; i < queue_.count() && queue_[i].frame <= 0; ++i) {
        if (queue_[i].frame == 0 && queue_[i].kind == kEngineEventParameter && queue_[i].id < VELMO_PARAM_COUNT)
            skip[queue_[i].id] = true;
    }

    std::FILE* const trace = kernelTraceFile();
    uint64_t block = 0;
    int32_t next = 0;  // first queued event not yet passed
    for (int32_t o = 0; o < frames; o += kChunkFrames) {
        const int32_t n = frames - o < kChunkFrames ? frames - o : kChunkFrames;
        if (trace != nullptr) {
            if (o == 0) block = nextTraceBlock();
            std::fprintf(trace, "B this=%p blk=%llu off=%d chunk=%d frames=%d events=%d\n", static_cast<void*>(this),
                         static_cast<unsigned long long>(block), o, n, frames, queue_.count());
        }
        // Only the first chunk skips: a refused frame-0 value must still be retried later.
        publishDirtyProductParameters(o == 0 ? skip : nullptr);
        while (next < queue_.count() && queue_[next].frame < o) ++next;  // negative frames are dropped
        for (; next < queue_.count() && queue_[next].frame < o + n; ++next)
            deliverEvent(queue_[next], static_cast<uint32_t>(queue_[next].frame - o));
        if (trace != nullptr) std::fflush(trace);

        if (renderKernelChunk(static_cast<uint32_t>(n))) {
            for (int32_t c = 0; c < outputChannels; ++c) {
                if (outputs[c] == nullptr) continue;
                const float* src = outputView_ + (c == 1 ? kChunkFrames : 0);
                std::memcpy(outputs[c] + o, src, sizeof(float) * n);
            }
        } else {
            blockFailed_ = true;
            recordRealtimeDiagnostic(kDiagProcessFailed, kSeverityError, kPhaseProcess);
            for (int32_t c = 0; c < outputChannels; ++c) {
                if (outputs[c] != nullptr) std::memset(outputs[c] + o, 0, sizeof(float) * n);
            }
        }
    }
    queue_.clear();
    blockSilent_ = outputIsSilent(outputs, outputChannels, frames);
}

bool KernelEngine::outputIsSilent(float* const* outputs, int32_t outputChannels, int32_t frames) const {
    for (int32_t c = 0; c < outputChannels; ++c) {
        if (outputs[c] == nullptr) continue;
        for (int32_t i = 0; i < frames; ++i) {
            if (outputs[c][i] != 0.0f) return false;
        }
    }
    return true;
}

}  // namespace velmo
