#include "tools/bridge/host_events.h"

#include <cstdio>

namespace velmo::bridge {

using namespace Steinberg;

bool HostEventQueue::push(const HostEvent& event) {
    const std::size_t head = head_.load(std::memory_order_relaxed);
    if (head - tail_.load(std::memory_order_acquire) >= kCapacity) return false;
    ring_[head % kCapacity] = event;
    head_.store(head + 1, std::memory_order_release);
    return true;
}

bool HostEventQueue::pop(HostEvent& event) {
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    if (tail == head_.load(std::memory_order_acquire)) return false;
    event = ring_[tail % kCapacity];
    tail_.store(tail + 1, std::memory_order_release);
    return true;
}

tresult PLUGIN_API BridgeComponentHandler::performEdit(Vst::ParamID id, Vst::ParamValue value) {
    if (queue_.push({HostEvent::Kind::Param, id, value})) return kResultOk;
    std::fprintf(stderr, "zuriz-bridge: the audio thread is behind; a change of parameter %u was dropped\n",
                 static_cast<unsigned>(id));
    return kResultFalse;
}

tresult PLUGIN_API BridgeComponentHandler::restartComponent(int32 flags) {
    restartFlags_ |= flags;
    return kResultOk;
}

int32 BridgeComponentHandler::takeRestartFlags() {
    const int32 flags = restartFlags_;
    restartFlags_ = 0;
    return flags;
}

}  // namespace velmo::bridge
