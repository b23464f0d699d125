#pragma once
// The host's transport as the audio thread last saw it, handed to the controller's poll
// without a lock (a sequence lock): a poll that keeps meeting a write in progress reports
// nothing this time.
#include <cstdint>

#include "diagnostics/transport_fact.h"
#include "instrument/seqlock_record.h"

namespace Steinberg::Vst {
struct ProcessContext;
}

namespace velmo {

class TransportCapture {
public:
    // Audio thread: the transport of the block that starts at `frame` (frames rendered so
    // far). Without a context nothing is captured.
    void capture(const Steinberg::Vst::ProcessContext* context, std::uint64_t frame);

    // Poll: the newest snapshot when one was captured since the last take, or, with `again`,
    // whenever one was ever captured.
    bool take(TransportFact& fact, bool again = false);

private:
    SeqlockRecord<TransportFact> record_;
    std::uint32_t taken_ = 0;  // the poll's own
};

// The snapshot a ProcessContext describes (source "host").
TransportFact transportFactOf(const Steinberg::Vst::ProcessContext& context, std::uint64_t frame);

}  // namespace velmo
