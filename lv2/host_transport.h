#pragma once
// The host's transport as LV2 tells it: time:Position objects on the control input when it
// changes, and nothing while it simply runs on, so between them the position moves with the
// frames rendered at the last speed and tempo. Kept as the record the diagnostics drawer shows.
#include <cstdint>

#include <lv2/atom/atom.h>

#include "diagnostics/transport_fact.h"
#include "lv2/lv2_urids.h"

namespace velmo::lv2 {

class HostTransport {
public:
    HostTransport(const Lv2Urids& urids, double sampleRate) : urids_(urids), sampleRate_(sampleRate) {}

    // Audio thread: a time:Position object (anything else is ignored), at `frame` of the run
    // (the frames rendered so far).
    void take(const LV2_Atom_Object& position, std::uint64_t frame);
    // Audio thread: a run of `frames` rendered.
    void advance(std::uint32_t frames);

    bool known() const { return known_; }
    const TransportFact& fact() const { return fact_; }

private:
    void placeBeat();

    const Lv2Urids& urids_;
    double sampleRate_;
    TransportFact fact_{};
    bool known_ = false;
    double speed_ = 0.0;
    double beat_ = 0.0;         // beats since the start, in the host's beat unit
    double beatsPerBar_ = 0.0;  // 0 when not told
    double frame_ = 0.0;
};

}  // namespace velmo::lv2
