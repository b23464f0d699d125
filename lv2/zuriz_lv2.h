#pragma once
// ZurizLv2: the LV2 instrument. The InstrumentCore driven as the VST3 processor drives it:
// MIDI from an atom sequence (notes at their frames, controllers through the CC map), the ten
// control ports read at each run with changes queued at the block's start, a stereo output,
// and the same state document through state:interface.
#include <atomic>
#include <cstdint>
#include <string>

#include "instrument/instrument_core.h"
#include "lv2/lv2_names.h"

namespace velmo::lv2 {

struct Lv2Urids {
    uint32_t midiEvent = 0;
    uint32_t atomString = 0;
    uint32_t atomInt = 0;
    uint32_t stateDocument = 0;
    uint32_t maxBlockLength = 0;
    uint32_t nominalBlockLength = 0;
};

class ZurizLv2 {
public:
    // Blocks are rendered in pieces of at most this when the host names no bound.
    static constexpr int32_t kDefaultMaxBlock = 4096;

    ZurizLv2(double sampleRate, int32_t maxBlockFrames, const Lv2Urids& urids);

    bool ready() const { return core_.engine().ready(); }
    void connect(uint32_t port, void* data);
    void activate();
    // Audio thread: no allocation, lock or wait.
    void run(uint32_t frames);

    // state:interface; the document as text, and restoring one (false when it is none).
    std::string saveDocument() const;
    bool restoreDocument(const char* text, std::size_t size);

    const Lv2Urids& urids() const { return urids_; }
    const InstrumentCore& core() const { return core_; }

private:
    void queuePorts();
    void queueMidi(uint32_t from, uint32_t to);

    InstrumentCore core_;
    Lv2Urids urids_;
    double sampleRate_;
    int32_t maxBlock_;
    const float* controls_[VELMO_PARAM_COUNT] = {};
    const void* midiIn_ = nullptr;  // LV2_Atom_Sequence
    float* outputs_[2] = {};
    // The port values last queued; after a restore the ports' next values are taken as they
    // are, so a host that does not write the restored values back does not undo the restore.
    float seen_[VELMO_PARAM_COUNT] = {};
    bool adoptPorts_ = false;
    // The engine's values after the last run, for a save made while run goes on.
    std::atomic<double> saved_[VELMO_PARAM_COUNT];
};

}  // namespace velmo::lv2
