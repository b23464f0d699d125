#pragma once
// The engine's current sampler pad overrides: replaced on the main thread, published to the
// audio side through an atomic pointer, with the per-note velocity sensitivity they imply.
#include <atomic>
#include <memory>
#include <vector>

#include "docs/pad_overrides.h"

namespace velmo {

class PadOverridePublisher {
public:
    PadOverridePublisher();

    // Main thread. False (current set kept) when the set has more than 256 entries, or an
    // entry with an empty id, an id over 160 bytes, or no field set.
    bool publish(const SamplerPadOverrides& overrides);
    // Main thread: the current set (empty before the first publish).
    const SamplerPadOverrides& current() const;

    // Audio side.
    const SamplerPadOverrides* published() const { return published_.load(std::memory_order_acquire); }
    float velocitySensitivity(int note) const { return note >= 0 && note < 128 ? velocity_[note] : 1.0f; }
    // The set the audio side is still reading, kept alive across a publish.
    void markAudioReading(const SamplerPadOverrides* set) { audioReading_.store(set, std::memory_order_release); }
    std::size_t retiredCount() const { return retired_.size(); }

private:
    std::shared_ptr<const SamplerPadOverrides> current_;
    std::vector<std::shared_ptr<const SamplerPadOverrides>> retired_;
    std::atomic<const SamplerPadOverrides*> published_{nullptr};
    std::atomic<const SamplerPadOverrides*> audioReading_{nullptr};
    float velocity_[128];
};

}  // namespace velmo
