#pragma once
// Host-side IEventList for one block, with helpers to build note events. Fixed capacity,
// owned by the host (addRef/release are no-ops).
#include <vector>

#include "pluginterfaces/vst/ivstevents.h"

namespace velmo::host {

Steinberg::Vst::Event makeNoteOn(Steinberg::int32 sampleOffset, Steinberg::int16 pitch,
                                 float velocity, Steinberg::int16 channel = 0,
                                 Steinberg::int32 busIndex = 0);
Steinberg::Vst::Event makeNoteOff(Steinberg::int32 sampleOffset, Steinberg::int16 pitch,
                                  Steinberg::int16 channel = 0, Steinberg::int32 busIndex = 0);

class EventList : public Steinberg::Vst::IEventList {
public:
    explicit EventList(int capacity = 1024);

    void clear() { events_.clear(); }
    bool add(const Steinberg::Vst::Event& e);

    Steinberg::int32 PLUGIN_API getEventCount() override;
    Steinberg::tresult PLUGIN_API getEvent(Steinberg::int32 index, Steinberg::Vst::Event& e) override;
    Steinberg::tresult PLUGIN_API addEvent(Steinberg::Vst::Event& e) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    std::vector<Steinberg::Vst::Event> events_;
    size_t capacity_;
};

}  // namespace velmo::host
