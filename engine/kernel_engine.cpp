// KernelEngine: construction, setup, parameter values and diagnostics.
#include "engine/kernel_engine.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "docs/bank_outcome.h"
#include "docs/number_text.h"
#include "engine/kernel_trace.h"
#include "engine/resampling_filter.h"

namespace velmo {
namespace {

constexpr uint32_t kKernelChunkFrames = 128;

// Kernel statuses and handles travel as doubles holding whole numbers.
uint32_t handleFromKernel(double value) {
    if (!(value >= 1.0 && value <= 4294967295.0) || value != std::floor(value)) return 0;
    return static_cast<uint32_t>(value);
}

// "%.9g" whatever the process locale.
std::string rateText(double rate) {
    std::string text;
    appendPrintfG(text, rate, 9);
    return text;
}

}  // namespace

KernelEngine::KernelEngine(KernelModule& kernel) : kernel_(kernel) {
    for (uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
        paramValues_[id] = VELMO_PARAMS[id].defaultPlain;
        kernelParamShadow_[id] = VELMO_PARAMS[id].defaultPlain;
    }
}

KernelEngine::~KernelEngine() {
    if (kernelHandle_ != 0) kernel_.entries().destroy(kernelHandle_);
}

bool KernelEngine::setup(double sampleRate, int32_t maxBlockFrames) {
    ready_ = false;
    blockFailed_ = false;
    blockSilent_ = true;

    HostRate rate;
    if (!exactHostRate(sampleRate, rate) || maxBlockFrames < 1 || maxBlockFrames > VELMO_MAX_BLOCK_FRAMES) {
        recordDiagnostic(kDiagInvalidConfiguration, kSeverityError, kPhaseConfigure,
                         "host processing configuration is invalid", nullptr);
        std::fprintf(stderr, "velmo-plugin-shell: rejected host format (sampleRate=%s, maxBlockFrames=%d)\n",
                     rateText(sampleRate).c_str(), maxBlockFrames);
        if (maxBlockFrames > VELMO_MAX_BLOCK_FRAMES) {
            std::fprintf(stderr,
                         "velmo-plugin-shell: maxBlockFrames exceeds the %d-frame ceiling; render long "
                         "fixtures as a LOOP of <=%d-frame blocks rather than declaring the whole fixture "
                         "as one block\n",
                         VELMO_MAX_BLOCK_FRAMES, VELMO_MAX_BLOCK_FRAMES);
        }
        return false;
    }
    rate_ = rate;
    hostSampleRate_ = static_cast<double>(rate.numerator) / static_cast<double>(rate.denominator);
    maxBlockFrames_ = maxBlockFrames;

    const uint64_t capacity = adapterFifoCapacity(rate, maxBlockFrames);
    if (capacity > VELMO_MAX_FIFO_FRAMES) {
        recordDiagnostic(kDiagInvalidConfiguration, kSeverityError, kPhaseConfigure,
                         "host rate requires unsupported SRC FIFO capacity", nullptr);
        return false;
    }
    fifoCapacity_ = capacity;
    inputFifo_.assign(2 * capacity, 0.0f);
    outputFifo_.assign(2 * capacity, 0.0f);
    outputFilterTable_.assign(static_cast<std::size_t>(VELMO_FILTER_PHASES) * VELMO_FILTER_TAPS, 0.0f);
    buildResamplingFilter(outputFilterTable_.data(), hostSampleRate_);
    outputFilterSums_.assign(VELMO_FILTER_PHASES, 0.0f);
    for (int p = 0; p < VELMO_FILTER_PHASES; ++p) {
        for (int j = 0; j < VELMO_FILTER_TAPS; ++j) outputFilterSums_[p] += outputFilterTable_[p * VELMO_FILTER_TAPS + j];
    }

    resetRateAdapterState();
    adapterFailed_ = false;
    rateConverted_ = false;
    queue_.clear();
    paramsDirty_.store(true, std::memory_order_release);

    kernel_.ensureInitialised();
    const KernelEntryPoints& k = kernel_.entries();
    if (kernelHandle_ != 0) {
        k.destroy(kernelHandle_);
        kernelHandle_ = 0;
    }
    inputView_ = outputView_ = nullptr;
    inputViewLength_ = outputViewLength_ = 0;
    kernelRate_ = hostSampleRate_;
    kernelHandle_ = handleFromKernel(k.create(kKernelChunkFrames, 0, 2, kernelRate_));
    if (kernelHandle_ == 0) {
        kernelRate_ = static_cast<double>(VELMO_KERNEL_FALLBACK_RATE);
        kernelHandle_ = handleFromKernel(k.create(kKernelChunkFrames, 0, 2, kernelRate_));
        if (kernelHandle_ != 0 && hostSampleRate_ != kernelRate_) rateConverted_ = true;
    }
    if (std::FILE* trace = kernelTraceFile()) {
        std::fprintf(trace, "S this=%p rate=%.17g kernelRate=%.17g handle=%u\n", static_cast<void*>(this),
                     hostSampleRate_, kernelRate_, kernelHandle_);
        std::fflush(trace);
    }
    if (kernelHandle_ == 0) {
        recordDiagnostic(kDiagKernelCreateFailed, kSeverityFatal, kPhaseConfigure,
                         "product kernel instance creation failed", nullptr);
        return failSetup();
    }

    for (uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) kernelParamShadow_[id] = VELMO_PARAMS[id].defaultPlain;
    k.inputView(kernelHandle_, &inputView_, &inputViewLength_);
    k.outputView(kernelHandle_, &outputView_, &outputViewLength_);
    ready_ = inputView_ != nullptr && outputView_ != nullptr && outputViewLength_ > 255;
    return ready_ ? true : failSetup();
}

bool KernelEngine::failSetup() {
    recordDiagnostic(kDiagEngineUnavailable, kSeverityFatal, kPhaseConfigure,
                     "kernel runtime is unavailable after setup", nullptr);
    std::fprintf(stderr, "velmo-plugin-shell: kernel setup failed at %s Hz\n", rateText(hostSampleRate_).c_str());
    return false;
}

bool KernelEngine::adapterActive() const {
    return rateConverted_ && !(rate_.numerator == VELMO_KERNEL_FALLBACK_RATE && rate_.denominator == 1);
}

int32_t KernelEngine::latencySamples() const {
    if (!adapterActive()) return 0;
    return static_cast<int32_t>(std::floor(hostSampleRate_ * 20.0 / 48000.0 + 16.0 + 0.999999));
}

void KernelEngine::resetRateAdapterState() {
    inputFifoStart_ = inputFifoCount_ = 0;
    outputFifoStart_ = outputFifoCount_ = 0;
    hostInputFrames_ = hostOutputFrames_ = 0;
    kernelInputFrames_ = kernelFramesRendered_ = 0;
}

// --- events -------------------------------------------------------------------------------

bool KernelEngine::pushParamNormalized(uint32_t id, double normalized, int32_t frame) {
    if (id >= VELMO_PARAM_COUNT) return false;
    velmo_engine_event e{};
    e.kind = kEngineEventParameter;
    e.frame = frame;
    e.id = id;
    e.value = velmo_param_to_plain(VELMO_PARAMS[id], normalized);
    return queue_.push(e);
}

bool KernelEngine::pushNoteOn(int32_t pitch, double velocity, int32_t frame, uint32_t route, uint32_t channel) {
    velmo_engine_event e{};
    e.kind = kEngineEventNoteOn;
    e.frame = frame;
    e.value = velocity;
    e.pitch = pitch;
    e.route = route;
    e.channel = channel & 15u;
    return queue_.push(e);
}

bool KernelEngine::pushNoteOff(int32_t pitch, int32_t frame, uint32_t route, uint32_t channel) {
    velmo_engine_event e{};
    e.kind = kEngineEventNoteOff;
    e.frame = frame;
    e.pitch = pitch;
    e.route = route;
    e.channel = channel & 15u;
    return queue_.push(e);
}

bool KernelEngine::pushController(uint32_t controller, double value, int32_t frame, uint32_t route,
                                  uint32_t channel) {
    if (controller >= 128 || !(value < 128.0)) return false;
    velmo_engine_event e{};
    e.kind = kEngineEventController;
    e.frame = frame;
    e.id = controller;
    e.value = value;
    e.route = route;
    e.channel = channel & 15u;
    return queue_.push(e);
}

// --- parameter values ---------------------------------------------------------------------

void KernelEngine::setParamValue(uint32_t id, double plain) {
    // A non-finite value would be refused by the kernel and offered again at every chunk.
    if (id >= VELMO_PARAM_COUNT || !std::isfinite(plain)) return;
    paramValues_[id] = plain;
    paramsDirty_.store(true, std::memory_order_release);
}

double KernelEngine::paramValue(uint32_t id) const { return id < VELMO_PARAM_COUNT ? paramValues_[id] : 0.0; }

double KernelEngine::paramNormalized(uint32_t id) const {
    return id < VELMO_PARAM_COUNT ? velmo_param_normalize(VELMO_PARAMS[id], paramValues_[id]) : 0.0;
}

void KernelEngine::flushParameterEvents() {
    bool applied = false;
    for (int32_t i = 0; i < queue_.count(); ++i) {
        const velmo_engine_event& e = queue_[i];
        if (e.kind != kEngineEventParameter || e.id >= VELMO_PARAM_COUNT) continue;
        paramValues_[e.id] = e.value;
        applied = true;
    }
    if (applied) paramsDirty_.store(true, std::memory_order_release);
    queue_.clear();
}

void KernelEngine::setVariation(int32_t v) { variation_ = v < 0 ? 0 : (v > 19 ? 19 : v); }

// --- diagnostics --------------------------------------------------------------------------

void KernelEngine::recordDiagnostic(uint32_t code, uint8_t severity, uint8_t phase, const char* message,
                                    const char* detail) {
    velmo::recordDiagnostic(ring_, code, severity, phase, message, detail);
}

void KernelEngine::recordRealtimeDiagnostic(uint32_t code, uint8_t severity, uint8_t phase) {
    realtime_.push(code, severity, phase);
}

void KernelEngine::drainRuntimeDiagnostics() { realtime_.drainInto(ring_); }

bool KernelEngine::hasUndrainedRealtimeDiagnostics() const { return realtime_.pending(); }

void KernelEngine::recordRuntimeBankFailure(uint32_t outcome, const char* message, const char* source) {
    const char* name = runtimeBankOutcomeName(outcome <= kBankInstrumentUnknown ? static_cast<int>(outcome) : kBankMissing);
    char text[192];
    std::snprintf(text, sizeof text, "runtime bank load refused (%s): %s", name, message ? message : "");
    char detail[128];
    std::snprintf(detail, sizeof detail, "{\"reason\":\"%s\",\"source\":\"%s\"}", name, source ? source : "");
    recordDiagnostic(outcome == 2 ? kDiagBankHashMismatch : kDiagBankMissing, kSeverityError, kPhaseLoad, text,
                     detail);
}

void KernelEngine::recordBankRecallFailure(uint32_t, const char* bankId) {
    char detail[128];
    std::snprintf(detail, sizeof detail, "{\"bank\":\"%s\",\"banks\":%u}", bankId ? bankId : "", 0u);
    recordDiagnostic(kDiagBankMissing, kSeverityError, kPhaseState,
                     "state recall named a bank this build does not contain; parameters kept, output "
                     "silent, no bank substituted",
                     detail);
}

}  // namespace velmo
