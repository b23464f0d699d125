#pragma once
// The engine's fixed queue of timed events for the next host block.
#include <cstdint>

namespace velmo {

enum : uint32_t {
    kEngineEventParameter = 0,
    kEngineEventNoteOn = 1,
    kEngineEventNoteOff = 2,
    kEngineEventController = 3,
};

struct velmo_engine_event {
    uint32_t kind;
    int32_t frame;     // offset within the host block it was queued for
    uint32_t id;       // parameter id or controller number
    double value;      // plain value, velocity, 0, or controller value
    int32_t pitch;
    uint32_t route;
    uint32_t channel;
    uint64_t stamp;    // absolute host frame (rate-converted mode)
    bool stamped;
    bool delivered;    // reached the kernel (rate-converted mode keeps the rest)
};

class EngineEventQueue {
public:
    static constexpr int32_t kCapacity = 2048;

    bool push(const velmo_engine_event& event);
    int32_t count() const { return count_; }
    bool full() const { return count_ >= kCapacity; }
    velmo_engine_event& operator[](int32_t i) { return events_[i]; }
    const velmo_engine_event& operator[](int32_t i) const { return events_[i]; }
    void clear() { count_ = 0; }

    // Stable in-place insertion sorts (queues are short and mostly in order).
    void sortByFrame();
    void sortByStamp();
    // Drops delivered events, keeping the order of the rest.
    void removeDelivered();

private:
    velmo_engine_event events_[kCapacity] = {};
    int32_t count_ = 0;
};

}  // namespace velmo
