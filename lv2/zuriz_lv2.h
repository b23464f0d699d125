#pragma once
// ZurizLv2: the LV2 instrument. The InstrumentCore driven as the VST3 processor drives it:
// MIDI from an atom sequence (notes at their frames, controllers through the CC map), the ten
// control ports read at each run with changes queued at the block's start, a stereo output,
// and the same state document through state:interface. The UI's messages (keys, polls, the CC
// map) arrive on the same control input and are answered on the notify output.
#include <atomic>
#include <cstdint>
#include <string>

#include <lv2/atom/atom.h>
#include <lv2/worker/worker.h>

#include "instrument/audition_inbox.h"
#include "instrument/instrument_core.h"
#include "instrument/output_peaks.h"
#include "instrument/seqlock_record.h"
#include "lv2/host_transport.h"
#include "lv2/lv2_messages.h"
#include "lv2/lv2_names.h"
#include "lv2/lv2_urids.h"

namespace velmo::lv2 {

class ZurizLv2 {
public:
    // Blocks are rendered in pieces of at most this when the host names no bound.
    static constexpr int32_t kDefaultMaxBlock = 4096;

    ZurizLv2(double sampleRate, int32_t maxBlockFrames, const Lv2Urids& urids);

    bool ready() const { return core_.engine().ready(); }
    void connect(uint32_t port, void* data);
    void activate();
    void deactivate();
    // Audio thread: no allocation, lock or wait.
    void run(uint32_t frames);

    // worker:interface. The host's scheduler (null: banks are answered "bank-missing" at once).
    void setWorker(const LV2_Worker_Schedule* schedule) { schedule_ = schedule; }
    // The worker thread: a bank request or pad overrides the run handed over.
    LV2_Worker_Status work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle, uint32_t size,
                           const void* data);
    // Audio thread: the worker's answer, written to the notify port by the next run.
    LV2_Worker_Status workResponse(uint32_t size, const void* data);

    // state:interface. Saving may run while run() does; restoring never does.
    std::string saveDocument() const;
    bool restoreDocument(const char* text, std::size_t size);

    const Lv2Urids& urids() const { return urids_; }
    const InstrumentCore& core() const { return core_; }

private:
    void queuePorts();
    // The UI's messages and the host's transport: taken once, at the run's start.
    void takeMessages();
    void takeMessage(const LV2_Atom& atom);
    void queueMidi(uint32_t from, uint32_t to);
    void adoptCcMap(const CcMapRecord& record);
    CcMapRecord ccMapInUse() const;
    void beginNotify();
    void answerPoll();
    void handOver(const LV2_Atom& atom);
    void notify(uint32_t type, const void* body, uint32_t size);

    InstrumentCore core_;
    Lv2Urids urids_;
    double sampleRate_;
    int32_t maxBlock_;
    const float* controls_[VELMO_PARAM_COUNT] = {};
    const LV2_Atom_Sequence* controlIn_ = nullptr;
    LV2_Atom_Sequence* notifyOut_ = nullptr;
    float* outputs_[2] = {};
    // The port values last queued; after a restore the ports' next values are taken as they
    // are, so a host that does not write the restored values back does not undo the restore.
    float seen_[VELMO_PARAM_COUNT] = {};
    bool adoptPorts_ = false;
    // The engine's values after the last run, for a save made while run goes on.
    std::atomic<double> saved_[VELMO_PARAM_COUNT];
    // The CC map as run() last adopted it, for the same saves.
    SeqlockRecord<CcMapRecord> savedCcMap_;

    // The audio thread's own.
    AuditionInbox audition_;
    OutputPeaks peaks_;
    // The output is scanned for peaks only while a UI polls for them (within the last second),
    // so a plug-in without an open editor pays nothing for its meter.
    uint32_t meteredFramesLeft_ = 0;
    HostTransport transport_;
    uint32_t notifyCapacity_ = 0;  // the notify buffer's bytes, as the host gave them this run
    uint32_t pollFlags_ = 0;
    bool keysTaken_ = false;  // a key came this run
    std::atomic<bool> reportCcMap_{false};  // set by a restore, for the UI
    HostFacts hostFacts_;
    uint64_t framesRendered_ = 0;
    uint64_t clockNs_ = 0;  // the inbox's clock: the frames rendered, in nanoseconds
    const LV2_Worker_Schedule* schedule_ = nullptr;
    char reply_[kBankReplyCapacity] = {};
    uint32_t replySize_ = 0;
};

}  // namespace velmo::lv2
