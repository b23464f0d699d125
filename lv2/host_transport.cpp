#include "lv2/host_transport.h"

#include <cmath>

#include <lv2/atom/util.h>

namespace velmo::lv2 {
namespace {

// A number of any of the atom types hosts send positions as.
bool numberOf(const LV2_Atom* atom, const Lv2Urids& u, double& out) {
    if (atom == nullptr) return false;
    const void* body = atom + 1;
    if (atom->type == u.atomFloat && atom->size >= sizeof(float)) {
        out = *static_cast<const float*>(body);
    } else if (atom->type == u.atomDouble && atom->size >= sizeof(double)) {
        out = *static_cast<const double*>(body);
    } else if (atom->type == u.atomInt && atom->size >= sizeof(int32_t)) {
        out = *static_cast<const int32_t*>(body);
    } else if (atom->type == u.atomLong && atom->size >= sizeof(int64_t)) {
        out = static_cast<double>(*static_cast<const int64_t*>(body));
    } else {
        return false;
    }
    return std::isfinite(out);
}

}  // namespace

void HostTransport::take(const LV2_Atom_Object& position, std::uint64_t frame) {
    if (position.body.otype != urids_.timePosition) return;
    const LV2_Atom* speed = nullptr;
    const LV2_Atom* bpm = nullptr;
    const LV2_Atom* perBar = nullptr;
    const LV2_Atom* unit = nullptr;
    const LV2_Atom* beat = nullptr;
    const LV2_Atom* bar = nullptr;
    const LV2_Atom* barBeat = nullptr;
    const LV2_Atom* hostFrame = nullptr;
    lv2_atom_object_get(&position, urids_.timeSpeed, &speed, urids_.timeBeatsPerMinute, &bpm, urids_.timeBeatsPerBar,
                        &perBar, urids_.timeBeatUnit, &unit, urids_.timeBeat, &beat, urids_.timeBar, &bar,
                        urids_.timeBarBeat, &barBeat, urids_.timeFrame, &hostFrame, 0);
    double value = 0.0;
    fact_.source = static_cast<std::uint8_t>(TransportSource::Host);
    fact_.atFrame = frame;
    fact_.sampleRate = sampleRate_;
    if (numberOf(speed, urids_, value)) {
        speed_ = value;
        fact_.playing = value != 0.0 ? 1 : 0;
    }
    if (numberOf(bpm, urids_, value) && value > 0.0) {
        fact_.hasTempo = 1;
        fact_.tempo = value;
    }
    double unitValue = 0.0;
    if (numberOf(perBar, urids_, value) && value > 0.0 && numberOf(unit, urids_, unitValue) && unitValue > 0.0) {
        beatsPerBar_ = value;
        fact_.hasTimeSignature = 1;
        fact_.numerator = static_cast<std::int32_t>(std::lround(value));
        fact_.denominator = static_cast<std::int32_t>(std::lround(unitValue));
    }
    double bars = 0.0;
    if (numberOf(beat, urids_, value)) {
        beat_ = value;
        fact_.hasPosition = 1;
    } else if (beatsPerBar_ > 0.0 && numberOf(bar, urids_, bars) && numberOf(barBeat, urids_, value)) {
        beat_ = bars * beatsPerBar_ + value;
        fact_.hasPosition = 1;
    }
    if (numberOf(hostFrame, urids_, value)) frame_ = value;
    placeBeat();
    known_ = true;
}

void HostTransport::advance(std::uint32_t frames) {
    if (!known_ || speed_ == 0.0) return;
    const double moved = frames * speed_;
    frame_ += moved;
    if (fact_.hasTempo && sampleRate_ > 0.0) beat_ += moved * fact_.tempo / (60.0 * sampleRate_);
    placeBeat();
}

// Positions in quarter notes, as the drawer reads them.
void HostTransport::placeBeat() {
    const double quarters = fact_.hasTimeSignature && fact_.denominator > 0 ? 4.0 / fact_.denominator : 1.0;
    if (fact_.hasPosition) {
        fact_.ppqPosition = beat_ * quarters;
        if (beatsPerBar_ > 0.0) fact_.barPositionPpq = std::floor(beat_ / beatsPerBar_) * beatsPerBar_ * quarters;
    }
    fact_.projectTimeSamples = static_cast<std::int64_t>(frame_);
}

}  // namespace velmo::lv2
