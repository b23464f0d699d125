#include "engine/engine_event_queue.h"

namespace velmo {
namespace {

template <typename Less>
void insertionSort(velmo_engine_event* events, int32_t count, Less less) {
    for (int32_t i = 1; i < count; ++i) {
        if (!less(events[i], events[i - 1])) continue;
        const velmo_engine_event moving = events[i];
        int32_t j = i;
        while (j > 0 && less(moving, events[j - 1])) {
            events[j] = events[j - 1];
            --j;
        }
        events[j] = moving;
    }
}

}  // namespace

bool EngineEventQueue::push(const velmo_engine_event& event) {
    if (full()) return false;
    events_[count_++] = event;
    return true;
}

void EngineEventQueue::sortByFrame() {
    insertionSort(events_, count_,
                  [](const velmo_engine_event& a, const velmo_engine_event& b) { return a.frame < b.frame; });
}

void EngineEventQueue::sortByStamp() {
    insertionSort(events_, count_,
                  [](const velmo_engine_event& a, const velmo_engine_event& b) { return a.stamp < b.stamp; });
}

void EngineEventQueue::removeDelivered() {
    int32_t kept = 0;
    for (int32_t i = 0; i < count_; ++i) {
        if (!events_[i].delivered) events_[kept++] = events_[i];
    }
    count_ = kept;
}

}  // namespace velmo
