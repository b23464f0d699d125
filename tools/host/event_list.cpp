#include "tools/host/event_list.h"

namespace velmo::host {

using namespace Steinberg;
using namespace Steinberg::Vst;

Event makeNoteOn(int32 sampleOffset, int16 pitch, float velocity, int16 channel, int32 busIndex) {
    Event e{};
    e.busIndex = busIndex;
    e.sampleOffset = sampleOffset;
    e.type = Event::kNoteOnEvent;
    e.noteOn.channel = channel;
    e.noteOn.pitch = pitch;
    e.noteOn.velocity = velocity;
    e.noteOn.noteId = -1;
    return e;
}

Event makeNoteOff(int32 sampleOffset, int16 pitch, int16 channel, int32 busIndex) {
    Event e{};
    e.busIndex = busIndex;
    e.sampleOffset = sampleOffset;
    e.type = Event::kNoteOffEvent;
    e.noteOff.channel = channel;
    e.noteOff.pitch = pitch;
    e.noteOff.noteId = -1;
    return e;
}

EventList::EventList(int capacity) : capacity_(static_cast<size_t>(capacity)) {
    events_.reserve(capacity_);
}

bool EventList::add(const Event& e) {
    if (events_.size() >= capacity_) {
        return false;
    }
    events_.push_back(e);
    return true;
}

int32 PLUGIN_API EventList::getEventCount() { return static_cast<int32>(events_.size()); }

tresult PLUGIN_API EventList::getEvent(int32 index, Event& e) {
    if (index < 0 || index >= getEventCount()) {
        return kResultFalse;
    }
    e = events_[static_cast<size_t>(index)];
    return kResultOk;
}

tresult PLUGIN_API EventList::addEvent(Event& e) { return add(e) ? kResultOk : kResultFalse; }

tresult PLUGIN_API EventList::queryInterface(const TUID iid, void** obj) {
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IEventList)
    QUERY_INTERFACE(iid, obj, IEventList::iid, IEventList)
    *obj = nullptr;
    return kNoInterface;
}

}  // namespace velmo::host
