#pragma once
// One host audio block: owned 32-bit channel buffers for each bus, the AudioBusBuffers that
// point at them, the block's parameter changes and events, and the ProcessData tying them
// together. Everything is sized at construction; preparing and filling a block allocates
// nothing, so a test can measure the plug-in's process call alone.
#include <vector>

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "tools/host/event_list.h"
#include "tools/host/parameter_changes.h"

namespace velmo::host {

class ProcessBlock {
public:
    // One entry per bus giving its channel count; every channel holds maxFrames samples.
    ProcessBlock(std::vector<int> outputChannels, int maxFrames,
                 std::vector<int> inputChannels = {});
    ProcessBlock(const ProcessBlock&) = delete;
    ProcessBlock& operator=(const ProcessBlock&) = delete;

    // Starts a block of `frames` samples: clears parameter changes and events, resets the
    // silence flags, and fills the outputs with `fill` (a non-zero fill shows what the
    // plug-in did not write). Returns the data to pass to process.
    Steinberg::Vst::ProcessData& begin(int frames, float fill = 0.0f);

    Steinberg::Vst::ProcessData& data() { return data_; }
    ParameterChanges& params() { return params_; }
    EventList& events() { return events_; }
    Steinberg::Vst::ProcessContext& context() { return context_; }
    // Hands context() to the plug-in with each block (off by default: no context).
    void useContext(bool on) { data_.processContext = on ? &context_ : nullptr; }

    Steinberg::Vst::AudioBusBuffers& outputBus(int bus) { return outputs_[static_cast<size_t>(bus)]; }
    Steinberg::Vst::AudioBusBuffers& inputBus(int bus) { return inputs_[static_cast<size_t>(bus)]; }
    float* output(int bus, int channel);
    float* input(int bus, int channel);
    int maxFrames() const { return maxFrames_; }

private:
    struct BusStore {
        std::vector<std::vector<float>> channels;
        std::vector<float*> pointers;
    };
    static void build(const std::vector<int>& counts, int frames, std::vector<BusStore>& stores,
                      std::vector<Steinberg::Vst::AudioBusBuffers>& buses);

    int maxFrames_;
    std::vector<BusStore> outputStore_;
    std::vector<BusStore> inputStore_;
    std::vector<Steinberg::Vst::AudioBusBuffers> outputs_;
    std::vector<Steinberg::Vst::AudioBusBuffers> inputs_;
    ParameterChanges params_;
    EventList events_;
    Steinberg::Vst::ProcessContext context_{};
    Steinberg::Vst::ProcessData data_;
};

}  // namespace velmo::host
