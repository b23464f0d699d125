#pragma once
// Offline rendering of a score through a loaded VST3 instrument, as a host plays it: the
// score's notes become note events, its parameter changes become parameter changes (and the
// controller hears them too), and edits the controller makes on its own (a program change
// applying a preset) reach the processor in the next block, as a host forwards them.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tools/host/module_loader.h"
#include "tools/host/process_block.h"
#include "tools/render/demo_score.h"

namespace velmo::render {

struct RenderSettings {
    double sampleRate = 48000.0;
    int blockFrames = 512;
    double tailSeconds = 4.0;  // rendered after the score's last event
    bool realtime = false;     // the process mode announced: realtime, else offline
};

class PluginRenderer {
public:
    explicit PluginRenderer(host::PluginInstance& plugin) : plugin_(plugin) {}
    // Stops processing and deactivates the plug-in.
    ~PluginRenderer();
    PluginRenderer(const PluginRenderer&) = delete;
    PluginRenderer& operator=(const PluginRenderer&) = delete;

    // Buses, processing setup, activation. False with the reason when the plug-in refuses.
    bool prepare(const RenderSettings& settings, std::string& error);

    // Selects a program by name or index (from 0) through the controller, as a host's
    // program menu does; the preset's parameter edits reach the processor with the first block.
    bool selectProgram(const std::string& nameOrIndex, std::string& error);
    // Sets a parameter (see findParameter) from its text, e.g. "Glass" or "0.7"; the value
    // then holds for the whole render: the score's own changes of it are dropped.
    bool pinParameter(const std::string& path, const std::string& value, std::string& error);

    // Renders the score (plus the tail) into interleaved stereo. `progress` is told the
    // fraction done after each block. Blocks the processor reports as failed are counted.
    bool render(const Score& score, std::vector<float>& interleaved, std::string& error,
                const std::function<void(double)>& progress = {});

    int failedBlocks() const { return failedBlocks_; }
    double sampleRate() const { return settings_.sampleRate; }
    // Channels of each output bus, once prepared.
    const std::vector<int>& outputChannels() const { return outputChannels_; }

private:
    void queueParameter(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue normalized);
    void forwardControllerEdits(host::ProcessBlock& block);

    host::PluginInstance& plugin_;
    RenderSettings settings_;
    std::vector<int> outputChannels_;
    std::vector<int> inputChannels_;
    // Values set before the first block, sent with it at offset 0.
    std::map<Steinberg::Vst::ParamID, Steinberg::Vst::ParamValue> pending_;
    std::map<Steinberg::Vst::ParamID, Steinberg::Vst::ParamValue> pinned_;
    std::size_t editsForwarded_ = 0;
    int failedBlocks_ = 0;
    bool active_ = false;
    bool processing_ = false;
};

}  // namespace velmo::render
