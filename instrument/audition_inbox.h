#pragma once
// Keys the editor page plays, handed from the thread the page's messages arrive on (the VST3
// controller's; the LV2 plug-in's own run) to the audio thread: a bounded
// single-producer/single-consumer ring read at the start of the next rendered block,
// whose notes enter the engine at frame 0. A full ring drops and counts. Releasing everything
// is an epoch step any thread may take: the audio thread then ends every key the page holds
// and drops what was posted before it. Notes posted while the host is not processing are
// dropped, never played later. Nothing on the audio side allocates, locks or waits.
#include <atomic>
#include <cstdint>

#include "diagnostics/audition_note.h"

namespace velmo {

class AuditionInbox {
public:
    static constexpr std::uint32_t kCapacity = 64;
    // A note older than this when its block comes was posted to a host that had stopped
    // processing without saying so.
    static constexpr std::uint64_t kStaleNs = 250'000'000;

    // Producer (one thread: where the controller's messages arrive). False when the note was
    // not taken: invalid (not counted), host not processing, or ring full (both counted). A
    // release that cannot be queued releases everything instead, so no bell hangs.
    bool post(const AuditionNote& note, std::uint64_t nowNs);
    // Any thread.
    void releaseAll() { epoch_.fetch_add(1, std::memory_order_acq_rel); }
    // Any thread: the host started or stopped processing.
    void setProcessing(bool on) { processing_.store(on, std::memory_order_release); }

    // Audio thread, at the start of a block that renders. Engine: pushNoteOn/pushNoteOff as
    // KernelEngine has them.
    template <class Engine>
    void drainInto(Engine& engine, std::uint64_t nowNs);

    // Audio thread: whether a drain has anything to do (a key waiting, or a release-all).
    bool pending() const {
        return head_.load(std::memory_order_acquire) != tail_.load(std::memory_order_relaxed) ||
               epoch_.load(std::memory_order_acquire) != seenEpoch_;
    }

    std::uint32_t dropped() const { return dropped_.load(std::memory_order_relaxed); }
    // The latest note's wait from its post to the start of its block, in microseconds.
    std::uint32_t lastWaitMicros() const { return waitMicros_.load(std::memory_order_relaxed); }

private:
    struct Slot {
        AuditionNote note;
        std::uint64_t stampNs;
        std::uint32_t epoch;
    };
    bool held(std::uint8_t note) const { return (held_[note >> 6] >> (note & 63)) & 1u; }
    void mark(std::uint8_t note, bool on) {
        const std::uint64_t bit = std::uint64_t(1) << (note & 63);
        held_[note >> 6] = on ? (held_[note >> 6] | bit) : (held_[note >> 6] & ~bit);
    }

    Slot slots_[kCapacity] = {};
    std::atomic<std::uint32_t> head_{0};  // next slot to write (producer)
    std::atomic<std::uint32_t> tail_{0};  // next slot to read (audio thread)
    std::atomic<std::uint32_t> epoch_{0};
    std::atomic<bool> processing_{false};
    std::atomic<std::uint64_t> lastBlockNs_{0};
    std::atomic<std::uint32_t> dropped_{0};
    std::atomic<std::uint32_t> waitMicros_{0};
    // The audio thread's own.
    std::uint32_t seenEpoch_ = 0;
    std::uint64_t held_[2] = {};
};

inline bool AuditionInbox::post(const AuditionNote& note, std::uint64_t nowNs) {
    if (!auditionNoteValid(note)) return false;
    const auto kind = static_cast<AuditionKind>(note.kind);
    if (kind == AuditionKind::ReleaseAll) {
        releaseAll();
        return true;
    }
    const std::uint64_t lastBlock = lastBlockNs_.load(std::memory_order_relaxed);
    const std::uint32_t head = head_.load(std::memory_order_relaxed);
    const bool processing =
        processing_.load(std::memory_order_acquire) && lastBlock != 0 && nowNs - lastBlock < kStaleNs;
    if (!processing || head - tail_.load(std::memory_order_acquire) >= kCapacity) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        if (kind == AuditionKind::Release) releaseAll();
        return false;
    }
    slots_[head % kCapacity] = Slot{note, nowNs, epoch_.load(std::memory_order_acquire)};
    head_.store(head + 1, std::memory_order_release);
    return true;
}

template <class Engine>
void AuditionInbox::drainInto(Engine& engine, std::uint64_t nowNs) {
    lastBlockNs_.store(nowNs, std::memory_order_relaxed);
    const std::uint32_t epoch = epoch_.load(std::memory_order_acquire);
    if (epoch != seenEpoch_) {
        for (int note = 0; note < 128; ++note)
            if (held(static_cast<std::uint8_t>(note))) engine.pushNoteOff(note, 0, 0, 0);
        held_[0] = held_[1] = 0;
        seenEpoch_ = epoch;
    }
    std::uint32_t tail = tail_.load(std::memory_order_relaxed);
    const std::uint32_t head = head_.load(std::memory_order_acquire);
    for (; tail != head; ++tail) {
        const Slot& slot = slots_[tail % kCapacity];
        // Posted after a release-all this block has not seen yet: its turn is the next block.
        if (static_cast<std::int32_t>(slot.epoch - epoch) > 0) break;
        if (slot.epoch != epoch) continue;  // posted before a release-all: withdrawn
        const AuditionNote& n = slot.note;
        const std::uint64_t waited = nowNs > slot.stampNs ? nowNs - slot.stampNs : 0;
        if (static_cast<AuditionKind>(n.kind) == AuditionKind::Strike) {
            if (waited > kStaleNs) {  // a late release is still a release
                dropped_.fetch_add(1, std::memory_order_relaxed);
                continue;
            }
            engine.pushNoteOn(n.note, n.velocity, 0, 0, 0);
            mark(n.note, true);
        } else {
            engine.pushNoteOff(n.note, 0, 0, 0);
            mark(n.note, false);
        }
        waitMicros_.store(static_cast<std::uint32_t>(waited / 1000), std::memory_order_relaxed);
    }
    tail_.store(tail, std::memory_order_release);
}

}  // namespace velmo
