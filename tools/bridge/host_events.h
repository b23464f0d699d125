#pragma once
// What the main thread hands the audio thread for its next block: parameter values the
// controller performed (or the host automated) and notes. A single-producer single-consumer
// ring of fixed size, so the audio thread takes from it without a lock or an allocation.
//
// BridgeComponentHandler is the host's IComponentHandler: performEdit queues the value for the
// processor, as a host delivers it in the next block; restart requests are kept for the main
// loop to act on.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "base/source/fobject.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

namespace velmo::bridge {

struct HostEvent {
    enum class Kind : std::uint8_t { Param, NoteOn, NoteOff };
    Kind kind = Kind::Param;
    std::uint32_t id = 0;  // the parameter, or the note's pitch
    double value = 0.0;    // the normalized value, or the velocity
};

class HostEventQueue {
public:
    // Main thread. False when full (the audio thread has fallen far behind).
    bool push(const HostEvent& event);
    // Audio thread.
    bool pop(HostEvent& event);

private:
    static constexpr std::size_t kCapacity = 8192;
    std::array<HostEvent, kCapacity> ring_{};
    std::atomic<std::size_t> head_{0};  // next to write; only the producer moves it
    std::atomic<std::size_t> tail_{0};  // next to read; only the consumer moves it
};

class BridgeComponentHandler : public Steinberg::FObject, public Steinberg::Vst::IComponentHandler {
public:
    explicit BridgeComponentHandler(HostEventQueue& queue) : queue_(queue) {}

    // Restart flags asked for since the last call.
    Steinberg::int32 takeRestartFlags();

    Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID) override { return Steinberg::kResultOk; }
    Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                              Steinberg::Vst::ParamValue value) override;
    Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID) override { return Steinberg::kResultOk; }
    Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override;

    OBJ_METHODS(BridgeComponentHandler, Steinberg::FObject)
    DEFINE_INTERFACES
        DEF_INTERFACE(Steinberg::Vst::IComponentHandler)
    END_DEFINE_INTERFACES(Steinberg::FObject)
    REFCOUNT_METHODS(Steinberg::FObject)

private:
    HostEventQueue& queue_;
    Steinberg::int32 restartFlags_ = 0;
};

}  // namespace velmo::bridge
