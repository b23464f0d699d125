#include "tools/bridge/realtime_audio.h"

#include <chrono>
#include <cmath>

#include "tools/host/event_list.h"

namespace velmo::bridge {

using namespace Steinberg;
using namespace Steinberg::Vst;

bool RealtimeAudio::start(const BridgeOptions& options, std::string& error) {
    stop();
    options_ = options;
    setup_ = std::make_unique<render::PluginRenderer>(plugin_);
    render::RenderSettings settings;
    settings.sampleRate = options.sampleRate;
    settings.blockFrames = options.block;
    settings.realtime = true;
    if (!setup_->prepare(settings, error)) {
        setup_.reset();
        return false;
    }
    block_ = std::make_unique<host::ProcessBlock>(setup_->outputChannels(), options.block);
    block_->useContext(true);
    running_.store(true);
    thread_ = std::thread([this] { run(); });
    return true;
}

void RealtimeAudio::stop() {
    running_.store(false);
    if (thread_.joinable()) thread_.join();
    setup_.reset();  // stops processing, deactivates
    block_.reset();
}

void RealtimeAudio::takeQueued(host::ProcessBlock& block) {
    HostEvent e;
    while (queue_.pop(e)) {
        switch (e.kind) {
            case HostEvent::Kind::Param: block.params().add(e.id, 0, e.value); break;
            case HostEvent::Kind::NoteOn:
                block.events().add(host::makeNoteOn(0, static_cast<int16>(e.id), static_cast<float>(e.value)));
                break;
            case HostEvent::Kind::NoteOff: block.events().add(host::makeNoteOff(0, static_cast<int16>(e.id))); break;
        }
    }
}

void RealtimeAudio::describeTransport(ProcessContext& c) const {
    const double rate = options_.sampleRate;
    const double quarters = static_cast<double>(songFrames_) / rate * options_.tempo / 60.0;
    const double quartersPerBar = options_.numerator * 4.0 / options_.denominator;
    c = ProcessContext{};
    c.state = ProcessContext::kTempoValid | ProcessContext::kTimeSigValid |
              ProcessContext::kProjectTimeMusicValid | ProcessContext::kBarPositionValid |
              ProcessContext::kSystemTimeValid | ProcessContext::kContTimeValid;
    if (options_.playing) c.state |= ProcessContext::kPlaying;
    c.sampleRate = rate;
    c.projectTimeSamples = songFrames_;
    c.continousTimeSamples = continuousFrames_;
    c.systemTime = std::chrono::duration_cast<std::chrono::nanoseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                       .count();
    c.projectTimeMusic = quarters;
    c.barPositionMusic = std::floor(quarters / quartersPerBar) * quartersPerBar;
    c.tempo = options_.tempo;
    c.timeSigNumerator = options_.numerator;
    c.timeSigDenominator = options_.denominator;
}

void RealtimeAudio::run() {
    using Clock = std::chrono::steady_clock;
    const auto blockTime = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(options_.block) / options_.sampleRate));
    IAudioProcessor* processor = plugin_.processor();
    host::ProcessBlock& block = *block_;
    auto due = Clock::now();
    while (running_.load(std::memory_order_relaxed)) {
        ProcessData& data = block.begin(options_.block);
        takeQueued(block);
        describeTransport(block.context());
        if (processor->process(data) != kResultOk) failedBlocks_.fetch_add(1, std::memory_order_relaxed);
        continuousFrames_ += options_.block;
        if (options_.playing) songFrames_ += options_.block;

        // Real-time pace; after a stall (a debugger, a busy machine) resume from now instead of
        // rushing to catch up.
        due += blockTime;
        const auto now = Clock::now();
        if (now - due > std::chrono::milliseconds(250)) due = now;
        std::this_thread::sleep_until(due);
    }
}

}  // namespace velmo::bridge
