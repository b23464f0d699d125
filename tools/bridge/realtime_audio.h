#pragma once
// The bridge's audio thread: prepares the plug-in as a host does (the renderer's set-up, in
// realtime mode) and processes blocks at real-time pace with a transport that moves (or
// stands) as configured. Before each block it takes what the main thread queued: parameter
// values arrive as parameter changes at offset 0, notes as events.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "tools/bridge/bridge_options.h"
#include "tools/bridge/host_events.h"
#include "tools/host/module_loader.h"
#include "tools/host/process_block.h"
#include "tools/render/plugin_render.h"

namespace velmo::bridge {

class RealtimeAudio {
public:
    RealtimeAudio(host::PluginInstance& plugin, HostEventQueue& queue) : plugin_(plugin), queue_(queue) {}
    ~RealtimeAudio() { stop(); }
    RealtimeAudio(const RealtimeAudio&) = delete;
    RealtimeAudio& operator=(const RealtimeAudio&) = delete;

    // Sets up processing, activates the plug-in and starts the thread. False with the reason.
    bool start(const BridgeOptions& options, std::string& error);
    // Joins the thread, stops processing and deactivates. The transport goes on from where it
    // was at the next start.
    void stop();

    std::uint64_t failedBlocks() const { return failedBlocks_.load(std::memory_order_relaxed); }

private:
    void run();
    void takeQueued(host::ProcessBlock& block);
    void describeTransport(Steinberg::Vst::ProcessContext& context) const;

    host::PluginInstance& plugin_;
    HostEventQueue& queue_;
    BridgeOptions options_;
    std::unique_ptr<render::PluginRenderer> setup_;
    std::unique_ptr<host::ProcessBlock> block_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<std::uint64_t> failedBlocks_{0};
    std::int64_t songFrames_ = 0;        // the transport's position
    std::int64_t continuousFrames_ = 0;  // frames processed, moving or not
};

}  // namespace velmo::bridge
