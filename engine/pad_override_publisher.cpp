#include "engine/pad_override_publisher.h"

#include <algorithm>

namespace velmo {

PadOverridePublisher::PadOverridePublisher() { std::fill(std::begin(velocity_), std::end(velocity_), 1.0f); }

bool PadOverridePublisher::publish(const SamplerPadOverrides& overrides) {
    if (overrides.size() > kMaxPadOverrides) return false;
    for (const SamplerPadOverride& o : overrides) {
        if (o.padId.empty() || o.padId.size() > kMaxPadIdBytes || o.fields == 0) return false;
    }
    auto next = std::make_shared<const SamplerPadOverrides>(overrides);
    published_.store(next.get(), std::memory_order_release);
    if (current_) retired_.push_back(std::move(current_));
    current_ = std::move(next);

    // Velocity sensitivity follows the zones of a staged bank; no bank is staged here.
    std::fill(std::begin(velocity_), std::end(velocity_), 1.0f);

    const SamplerPadOverrides* reading = audioReading_.load(std::memory_order_acquire);
    std::erase_if(retired_, [reading](const auto& set) { return set.get() != reading; });
    return true;
}

const SamplerPadOverrides& PadOverridePublisher::current() const {
    static const SamplerPadOverrides empty;
    return current_ ? *current_ : empty;
}

}  // namespace velmo
