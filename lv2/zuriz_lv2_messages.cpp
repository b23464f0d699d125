// ZurizLv2's messages: the UI's keys, polls and CC map and the host's transport, read from the
// control input at the start of a run; the answers written to the notify output at its end.
#include <algorithm>
#include <cstring>
#include <string_view>

#include <lv2/atom/util.h>

#include "docs/pad_overrides.h"
#include "lv2/zuriz_lv2.h"

namespace velmo::lv2 {

namespace {

// The body of an atom that must hold exactly one T.
template <class T>
bool bodyOf(const LV2_Atom& atom, T& out) {
    if (atom.size != sizeof(T)) return false;
    std::memcpy(static_cast<void*>(&out), &atom + 1, sizeof(T));
    return true;
}

}  // namespace

void ZurizLv2::takeMessages() {
    pollFlags_ = 0;
    keysTaken_ = false;
    // A plain load first: the exchange, a locked write, only once a restore asked for it.
    if (reportCcMap_.load(std::memory_order_relaxed) && reportCcMap_.exchange(false, std::memory_order_acq_rel))
        pollFlags_ |= kPollCcMap;
    if (controlIn_ == nullptr) return;
    LV2_ATOM_SEQUENCE_FOREACH(controlIn_, ev) {
        if (ev->body.type != urids_.midiEvent) takeMessage(ev->body);
    }
}

void ZurizLv2::takeMessage(const LV2_Atom& atom) {
    if (atom.type == urids_.audition) {
        AuditionNote note;
        if (!bodyOf(atom, note)) return;
        // The inbox takes keys only for a block under way: this run's, marked before the first.
        if (!keysTaken_) audition_.drainInto(core_.engine(), clockNs_);
        keysTaken_ = true;
        audition_.post(note, clockNs_);
    } else if (atom.type == urids_.poll) {
        Poll poll;
        if (bodyOf(atom, poll)) pollFlags_ |= poll.flags;
        if ((pollFlags_ & kPollLevels) != 0) meteredFramesLeft_ = static_cast<uint32_t>(sampleRate_);
    } else if (atom.type == urids_.ccMap) {
        CcMapRecord record;
        if (bodyOf(atom, record) && record.present != 0) adoptCcMap(record);
    } else if (atom.type == urids_.bankRequest || atom.type == urids_.padOverrides) {
        handOver(atom);
    } else if ((atom.type == urids_.atomObject || atom.type == urids_.atomBlank) &&
               atom.size >= sizeof(LV2_Atom_Object_Body)) {
        transport_.take(reinterpret_cast<const LV2_Atom_Object&>(atom), framesRendered_);
    }
}

// Files and parsing are the worker's: the atom is copied to it whole.
void ZurizLv2::handOver(const LV2_Atom& atom) {
    if (schedule_ != nullptr &&
        schedule_->schedule_work(schedule_->handle, sizeof(LV2_Atom) + atom.size, &atom) == LV2_WORKER_SUCCESS) {
        return;
    }
    // A request nobody will carry out is still answered, or the page waits for ever.
    if (atom.type == urids_.bankRequest) workResponse(13, "bank-missing\n");
}

LV2_Worker_Status ZurizLv2::work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                                 uint32_t size, const void* data) {
    if (data == nullptr || size < sizeof(LV2_Atom)) return LV2_WORKER_ERR_UNKNOWN;
    LV2_Atom atom;
    std::memcpy(&atom, data, sizeof atom);
    if (atom.size > size - sizeof(LV2_Atom)) return LV2_WORKER_ERR_UNKNOWN;
    const char* body = static_cast<const char*>(data) + sizeof(LV2_Atom);
    if (atom.type == urids_.bankRequest) {
        bool tried = false;
        const std::string reply = core_.answerBankRequest(std::string_view(body, atom.size), tried);
        const auto length = static_cast<uint32_t>(std::min<std::size_t>(reply.size(), kBankReplyCapacity));
        return respond(handle, length, reply.data());
    }
    if (atom.type == urids_.padOverrides) {
        SamplerPadOverrides parsed;
        // An invalid set keeps the current one.
        if (parseSamplerPadOverridesJson(body, atom.size, parsed)) core_.engine().publishSamplerPadOverrides(parsed);
        return LV2_WORKER_SUCCESS;
    }
    return LV2_WORKER_ERR_UNKNOWN;
}

LV2_Worker_Status ZurizLv2::workResponse(uint32_t size, const void* data) {
    if (data == nullptr) return LV2_WORKER_ERR_UNKNOWN;
    replySize_ = std::min(size, kBankReplyCapacity);
    std::memcpy(reply_, data, replySize_);
    return LV2_WORKER_SUCCESS;
}

CcMapRecord ZurizLv2::ccMapInUse() const {
    CcMapRecord record;
    record.present = core_.hasCcMap() ? 1 : 0;
    record.map = core_.ccMap();
    return record;
}

void ZurizLv2::adoptCcMap(const CcMapRecord& record) {
    if (record.map.count > kCcMapCapacity) return;
    core_.adoptCcMap(record.map);
    savedCcMap_.publish(record);
}

// An empty sequence every run, as the host expects of an output; events appended to it whole.
void ZurizLv2::beginNotify() {
    if (notifyOut_ == nullptr) return;
    // The host says how much room there is in the atom's size.
    notifyCapacity_ = notifyOut_->atom.size;
    notifyOut_->atom.type = urids_.atomSequence;
    notifyOut_->atom.size = sizeof(LV2_Atom_Sequence_Body);
    notifyOut_->body.unit = 0;
    notifyOut_->body.pad = 0;
}

void ZurizLv2::notify(uint32_t type, const void* body, uint32_t size) {
    if (notifyOut_ == nullptr) return;
    const uint32_t used = sizeof(LV2_Atom) + notifyOut_->atom.size;
    const uint32_t needed = sizeof(LV2_Atom_Event) + lv2_atom_pad_size(size);
    if (used > notifyCapacity_ || notifyCapacity_ - used < needed) return;  // left out, never cut
    auto* event = lv2_atom_sequence_end(&notifyOut_->body, notifyOut_->atom.size);
    event->time.frames = 0;
    event->body.size = size;
    event->body.type = type;
    std::memcpy(event + 1, body, size);
    notifyOut_->atom.size += needed;
}

void ZurizLv2::answerPoll() {
    if ((pollFlags_ & kPollLevels) != 0) {
        OutputLevels levels;
        if (peaks_.take(levels.peak)) {
            levels.auditionDropped = audition_.dropped();
            levels.auditionWaitMicros = audition_.lastWaitMicros();
            notify(urids_.levels, &levels, sizeof levels);
        }
    }
    if ((pollFlags_ & kPollTransport) != 0 && transport_.known()) {
        notify(urids_.transport, &transport_.fact(), sizeof(TransportFact));
    }
    if ((pollFlags_ & kPollHost) != 0) notify(urids_.hostFacts, &hostFacts_, sizeof hostFacts_);
    if (replySize_ > 0) {
        notify(urids_.bankReply, reply_, replySize_);
        replySize_ = 0;
    }
    if ((pollFlags_ & kPollCcMap) != 0) {
        const CcMapRecord record = ccMapInUse();
        notify(urids_.ccMap, &record, sizeof record);
    }
}

}  // namespace velmo::lv2
