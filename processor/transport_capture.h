#pragma once
// The host's transport as the audio thread last saw it, handed to the controller's poll
// without a lock: the record is kept in atomic words under a sequence number that is odd while
// the audio thread writes (a sequence lock). The writer never waits; a reader that catches a
// write in progress tries again a few times and otherwise reports nothing this poll.
#include <atomic>
#include <cstdint>

#include "diagnostics/transport_fact.h"

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
    static constexpr std::size_t kWords = sizeof(TransportFact) / sizeof(std::uint64_t);
    static_assert(sizeof(TransportFact) % sizeof(std::uint64_t) == 0);

    std::atomic<std::uint64_t> words_[kWords] = {};
    std::atomic<std::uint32_t> sequence_{0};
    std::uint32_t taken_ = 0;  // the poll's own
};

// The snapshot a ProcessContext describes (source "host").
TransportFact transportFactOf(const Steinberg::Vst::ProcessContext& context, std::uint64_t frame);

}  // namespace velmo
