#include "tools/host/process_block.h"

#include <algorithm>

namespace velmo::host {

using namespace Steinberg;
using namespace Steinberg::Vst;

void ProcessBlock::build(const std::vector<int>& counts, int frames, std::vector<BusStore>& stores,
                         std::vector<AudioBusBuffers>& buses) {
    stores.resize(counts.size());
    buses.resize(counts.size());
    for (size_t b = 0; b < counts.size(); ++b) {
        BusStore& store = stores[b];
        store.channels.assign(static_cast<size_t>(counts[b]),
                              std::vector<float>(static_cast<size_t>(frames), 0.0f));
        for (auto& channel : store.channels) {
            store.pointers.push_back(channel.data());
        }
        buses[b].numChannels = counts[b];
        buses[b].silenceFlags = 0;
        buses[b].channelBuffers32 = store.pointers.empty() ? nullptr : store.pointers.data();
    }
}

ProcessBlock::ProcessBlock(std::vector<int> outputChannels, int maxFrames,
                           std::vector<int> inputChannels)
    : maxFrames_(maxFrames) {
    build(outputChannels, maxFrames, outputStore_, outputs_);
    build(inputChannels, maxFrames, inputStore_, inputs_);
    data_.processMode = kRealtime;
    data_.symbolicSampleSize = kSample32;
    data_.numOutputs = static_cast<int32>(outputs_.size());
    data_.outputs = outputs_.empty() ? nullptr : outputs_.data();
    data_.numInputs = static_cast<int32>(inputs_.size());
    data_.inputs = inputs_.empty() ? nullptr : inputs_.data();
    data_.inputParameterChanges = &params_;
    data_.inputEvents = &events_;
}

ProcessData& ProcessBlock::begin(int frames, float fill) {
    params_.clear();
    events_.clear();
    data_.numSamples = frames;
    const size_t n = static_cast<size_t>(std::clamp(frames, 0, maxFrames_));
    for (size_t b = 0; b < outputs_.size(); ++b) {
        outputs_[b].silenceFlags = 0;
        for (auto& channel : outputStore_[b].channels) {
            std::fill(channel.begin(), channel.begin() + static_cast<std::ptrdiff_t>(n), fill);
        }
    }
    return data_;
}

float* ProcessBlock::output(int bus, int channel) {
    return outputStore_[static_cast<size_t>(bus)].channels[static_cast<size_t>(channel)].data();
}

float* ProcessBlock::input(int bus, int channel) {
    return inputStore_[static_cast<size_t>(bus)].channels[static_cast<size_t>(channel)].data();
}

}  // namespace velmo::host
