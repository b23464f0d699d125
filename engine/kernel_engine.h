#pragma once
// KernelEngine: the host-side owner of one kernel instance. Set up on the main thread, then
// driven from the audio thread: timed events are queued, each host block is rendered in
// chunks of at most 128 frames (through a 48 000 Hz sample-rate adapter when the kernel
// refuses the host's rate), and failures are reported as structured diagnostics.
#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/engine_event_queue.h"
#include "engine/host_rate.h"
#include "engine/kernel_module.h"
#include "engine/pad_override_publisher.h"
#include "engine/runtime_diagnostics.h"
#include "params/param_table.h"

namespace velmo {

class KernelEngine {
public:
    explicit KernelEngine(KernelModule& kernel = productKernelModule());
    ~KernelEngine();
    KernelEngine(const KernelEngine&) = delete;
    KernelEngine& operator=(const KernelEngine&) = delete;

    // Main thread, while the host is not processing. True when ready to render.
    bool setup(double sampleRate, int32_t maxBlockFrames);

    // Audio thread: queue events for the next block. False when not queued.
    bool pushParamNormalized(uint32_t id, double normalized, int32_t frame);
    bool pushNoteOn(int32_t pitch, double velocity, int32_t frame, uint32_t route, uint32_t channel);
    bool pushNoteOff(int32_t pitch, int32_t frame, uint32_t route, uint32_t channel);
    bool pushController(uint32_t controller, double value, int32_t frame, uint32_t route,
                        uint32_t channel);
    int32_t eventInputCount() const { return 1; }
    int32_t eventOutputCount() const { return 0; }
    uint32_t eventRouteForInput(int32_t) const { return 0; }
    int32_t eventCount() const { return queue_.count(); }

    // Renders one host block; a 0-frame block only applies queued parameter values.
    void processBlock(const float* const* inputs, int32_t inputChannels, float* const* outputs,
                      int32_t outputChannels, int32_t frames);
    void processBlock(const float* const* inputs, int32_t inputChannels,
                      const float* const* sideInputs, int32_t sideInputChannels,
                      float* const* outputs, int32_t outputChannels, int32_t frames);
    // One host block through the adapter; false when the adapter failed.
    bool processHandleV2RateConverted(const float* const* inputs, int32_t inputChannels,
                                      float* const* outputs, int32_t outputChannels, int32_t frames);
    void resetRateAdapterState();

    // Parameter values (plain) and the variation kept for the state document.
    void setParamValue(uint32_t id, double plain);
    double paramValue(uint32_t id) const;
    double paramNormalized(uint32_t id) const;
    void flushParameterEvents();
    void setVariation(int32_t v);
    int32_t variation() const { return variation_; }

    // Sampler pad overrides (main thread): saved with the state; no audible effect here.
    bool publishSamplerPadOverrides(const SamplerPadOverrides& overrides) { return pads_.publish(overrides); }
    const SamplerPadOverrides& samplerPadOverrides() const { return pads_.current(); }

    // Diagnostics (main thread unless said otherwise).
    void recordDiagnostic(uint32_t code, uint8_t severity, uint8_t phase, const char* message,
                          const char* detail);
    void recordRealtimeDiagnostic(uint32_t code, uint8_t severity, uint8_t phase);  // audio thread
    void drainRuntimeDiagnostics();
    bool hasUndrainedRealtimeDiagnostics() const;
    void recordRuntimeBankFailure(uint32_t outcome, const char* message, const char* source);
    void recordBankRecallFailure(uint32_t outcome, const char* bankId);
    const velmo_runtime_diagnostic_ring& diagnosticRing() const { return ring_; }

    // State.
    uint32_t instanceToken() const { return kernelHandle_; }
    bool ready() const { return ready_; }
    bool blockFailed() const { return blockFailed_; }
    bool blockSilent() const { return blockSilent_; }
    bool adapterFailed() const { return adapterFailed_; }
    bool rateConverted() const { return rateConverted_; }
    double hostSampleRate() const { return hostSampleRate_; }
    int32_t maxBlockFrames() const { return maxBlockFrames_; }
    uint64_t rateNumerator() const { return rate_.numerator; }
    uint64_t rateDenominator() const { return rate_.denominator; }
    uint64_t fifoCapacity() const { return fifoCapacity_; }
    uint64_t kernelFramesRendered() const { return kernelFramesRendered_; }
    // Samples of delay the adapter adds (0 when blocks are rendered directly).
    int32_t latencySamples() const;

private:
    bool failSetup();
    bool adapterActive() const;
    void clearOutputs(float* const* outputs, int32_t outputChannels, int32_t frames, int32_t from) const;
    void failBlock(float* const* outputs, int32_t outputChannels, int32_t frames, uint32_t code,
                   uint8_t severity);
    bool pushProductParameter(uint32_t id, uint32_t frame, const char* source, double value);
    void publishDirtyProductParameters(const bool* skip);
    void deliverEvent(velmo_engine_event& event, uint32_t offset);
    bool renderKernelChunk(uint32_t frames);
    void renderDirect(float* const* outputs, int32_t outputChannels, int32_t frames);
    bool outputIsSilent(float* const* outputs, int32_t outputChannels, int32_t frames) const;
    void trimInputFifo();
    void trimOutputFifo();

    KernelModule& kernel_;

    double hostSampleRate_ = 48000.0;
    int32_t maxBlockFrames_ = 0;
    bool ready_ = false;
    bool blockFailed_ = false;
    bool blockSilent_ = true;
    bool adapterFailed_ = false;
    bool rateConverted_ = false;
    HostRate rate_;
    uint64_t fifoCapacity_ = 0;
    // Planar FIFOs (channel 0, then channel 1, fifoCapacity_ frames each) and the filter
    // table, all sized by setup.
    std::vector<float> inputFifo_;
    std::vector<float> outputFifo_;
    std::vector<float> outputFilterTable_;
    std::vector<float> outputFilterSums_;  // per phase, for the division after interpolating

    uint64_t inputFifoStart_ = 0;
    uint64_t inputFifoCount_ = 0;
    uint64_t outputFifoStart_ = 0;
    uint64_t outputFifoCount_ = 0;
    uint64_t hostInputFrames_ = 0;
    uint64_t hostOutputFrames_ = 0;
    uint64_t kernelInputFrames_ = 0;
    uint64_t kernelFramesRendered_ = 0;

    uint32_t kernelHandle_ = 0;
    double kernelRate_ = 0.0;
    float* inputView_ = nullptr;
    uint64_t inputViewLength_ = 0;
    float* outputView_ = nullptr;
    uint64_t outputViewLength_ = 0;

    EngineEventQueue queue_;
    double paramValues_[VELMO_PARAM_COUNT];
    double kernelParamShadow_[VELMO_PARAM_COUNT];
    std::atomic<bool> paramsDirty_{true};
    int32_t variation_ = 16;

    PadOverridePublisher pads_;
    velmo_runtime_diagnostic_ring ring_;
    RealtimeDiagnosticQueue realtime_;
};

}  // namespace velmo
