#pragma once
// Parameter values set from a thread other than the controller's (hosts deliver MIDI program
// changes from their audio thread): the latest value of each parameter waits in a slot of its
// own until the controller's thread takes it. Posting never blocks, allocates or fails, and a
// value is never lost to a full queue: only the last value per parameter matters.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace velmo {

template <std::size_t SlotCount>
class ParamHandOver {
public:
    static_assert(std::atomic<double>::is_always_lock_free);
    static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

    // Any thread. False for a slot past the end.
    bool post(std::size_t slot, double value) {
        if (slot >= SlotCount) return false;
        Slot& s = slots_[slot];
        // The number is taken first and released, so a drain that sees it also sees every
        // earlier post of this thread.
        const std::uint64_t order = nextOrder_.fetch_add(1, std::memory_order_acq_rel);
        s.value.store(value, std::memory_order_relaxed);
        s.order.store(order, std::memory_order_release);
        s.pending.store(true, std::memory_order_release);
        return true;
    }

    // The owning thread: take(slot, value) for each waiting value, oldest post first, so a
    // program change followed by an edit ends with the edit. A value posted while this runs
    // is taken now or at the next drain, never lost.
    template <typename Take>
    void drain(Take&& take) {
        struct Waiting {
            std::uint64_t order;
            std::size_t slot;
            double value;
        };
        std::array<Waiting, SlotCount> waiting;
        std::size_t n = 0;
        // Only what was posted before this drain began: a value posted while the slots are
        // scanned may be newer than one in a slot already passed, which must not come after it.
        const std::uint64_t limit = nextOrder_.load(std::memory_order_acquire);
        for (std::size_t i = 0; i < SlotCount; ++i) {
            Slot& s = slots_[i];
            if (!s.pending.exchange(false, std::memory_order_acquire)) continue;
            const std::uint64_t order = s.order.load(std::memory_order_acquire);
            if (order >= limit) {
                s.pending.store(true, std::memory_order_release);  // for the next drain
                continue;
            }
            // Insertion by post order: a handful of slots.
            const Waiting w{order, i, s.value.load(std::memory_order_relaxed)};
            std::size_t at = n++;
            for (; at > 0 && waiting[at - 1].order > w.order; --at) waiting[at] = waiting[at - 1];
            waiting[at] = w;
        }
        for (std::size_t i = 0; i < n; ++i) take(waiting[i].slot, waiting[i].value);
    }

    // The owning thread: forgets every waiting value.
    void clear() {
        for (Slot& s : slots_) s.pending.store(false, std::memory_order_relaxed);
    }

private:
    struct Slot {
        std::atomic<bool> pending{false};
        std::atomic<std::uint64_t> order{0};
        std::atomic<double> value{0.0};
    };
    std::array<Slot, SlotCount> slots_;
    std::atomic<std::uint64_t> nextOrder_{0};
};

}  // namespace velmo
