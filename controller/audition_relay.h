#pragma once
// Keys the editor page plays: each message checked, the held keys remembered, and every key
// sent to the processor as an AuditionNote record. When the page goes away, what it still
// holds is released, so no bell hangs.
#include <bitset>
#include <functional>

#include "diagnostics/audition_note.h"

namespace velmo {

struct BridgeMessage;

class AuditionRelay {
public:
    using Send = std::function<void(const AuditionNote&)>;
    explicit AuditionRelay(Send send) : send_(std::move(send)) {}

    // "velmo.auditionStrike" (an integer "note" 0-127, a "velocity" in (0, 1]),
    // "velmo.auditionRelease" ("note") and "velmo.auditionReleaseAll". True when the message
    // was one of these, sent or refused.
    bool handle(const BridgeMessage& message);
    // The page hid or closed: releases everything it holds (sends nothing when it holds none).
    void pageGone();
    bool holdsAny() const { return held_.any(); }

private:
    void releaseAll();

    Send send_;
    std::bitset<128> held_;
};

}  // namespace velmo
