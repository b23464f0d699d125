#pragma once
// Host calls the controller answers only on its own thread (the one that initialised it):
// parameter sets from any other thread wait here for its next tick, and so do the requests
// that the host re-read values, which must never be made from inside a host call (the host
// may hold a lock there that its restartComponent takes again).
#include <atomic>
#include <cstdint>
#include <thread>
#include <utility>

#include "controller/controller_ids.h"
#include "controller/param_hand_over.h"
#include "params/param_table.h"

namespace velmo {

class HostCalls {
public:
    void adoptThisThread() { owner_.store(std::this_thread::get_id()); }
    bool offOwnerThread() const {
        const std::thread::id owner = owner_.load(std::memory_order_relaxed);
        return owner != std::thread::id() && owner != std::this_thread::get_id();
    }

    // Any thread: the latest value per parameter (or the program change) waits; false for
    // an id that is neither.
    bool handOver(Steinberg::Vst::ParamID id, double value) {
        const std::size_t slot =
            id < VELMO_PARAM_COUNT ? id : (id == PROGRAM_CHANGE_PARAM_ID ? VELMO_PARAM_COUNT : SIZE_MAX);
        return handedOver_.post(slot, value);
    }
    // Owner thread: set(id, value) for each waiting value, oldest first.
    template <typename Set>
    void takeHandedOver(Set&& set) {
        handedOver_.drain([&set](std::size_t slot, double value) {
            set(slot == VELMO_PARAM_COUNT ? PROGRAM_CHANGE_PARAM_ID : static_cast<Steinberg::Vst::ParamID>(slot),
                value);
        });
    }

    void requestRestart(Steinberg::int32 flags) { pendingRestart_ |= flags; }
    Steinberg::int32 takeRestartRequests() { return std::exchange(pendingRestart_, 0); }

    // After terminate the host hears nothing more from us.
    void clear() {
        handedOver_.clear();
        pendingRestart_ = 0;
    }

private:
    std::atomic<std::thread::id> owner_{};
    ParamHandOver<VELMO_PARAM_COUNT + 1> handedOver_;  // the ten parameters, then the program change
    Steinberg::int32 pendingRestart_ = 0;
};

}  // namespace velmo
