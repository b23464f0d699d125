#pragma once
// The demo score pushed straight into the kernel, in kernel blocks, with no host or engine:
// the floor the plug-in formats are measured against.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "kernel/kernel_api.h"
#include "tools/render/demo_score.h"

namespace velmo::bench {

class RawKernelDemo {
public:
    static constexpr std::uint32_t kBlock = 128;

    // False when the kernel refuses to start or to make an instance.
    bool create(double rate) {
        static const bool initialised = VELMO_KERNEL_ENTRY(runtime_init)() == 0;
        rate_ = rate;
        handle_ = initialised ? static_cast<std::uint32_t>(VELMO_KERNEL_ENTRY(create)(kBlock, 0, 2, rate)) : 0;
        if (handle_ == 0) return false;
        std::uint64_t length = 0;
        VELMO_KERNEL_ENTRY(output_view)(handle_, &area_, &length);
        return true;
    }
    ~RawKernelDemo() { destroy(); }
    void destroy() {
        if (handle_ != 0) VELMO_KERNEL_ENTRY(destroy)(handle_);
        handle_ = 0;
    }

    // Interleaved stereo of the score plus the tail, as the renderers size it.
    void render(const render::Score& score, double tailSeconds, std::vector<float>& out) const {
        const auto total = static_cast<std::uint64_t>(std::ceil((score.lengthSeconds + tailSeconds) * rate_));
        out.resize(total * 2);
        std::size_t next = 0;
        for (std::uint64_t start = 0; start < total; start += kBlock) {
            const auto frames = static_cast<std::uint32_t>(std::min<std::uint64_t>(kBlock, total - start));
            for (; next < score.events.size(); ++next) {
                const render::ScoreEvent& e = score.events[next];
                const auto at = static_cast<std::uint64_t>(std::llround(e.seconds * rate_));
                if (at >= start + frames) break;
                const auto offset = static_cast<std::uint32_t>(at > start ? at - start : 0);
                VELMO_KERNEL_ENTRY(push_event)(handle_, kernelKind(e.kind), offset, e.index, e.value);
            }
            VELMO_KERNEL_ENTRY(process)(handle_, frames);
            for (std::uint32_t f = 0; f < frames; ++f) {
                out[(start + f) * 2] = area_[f];
                out[(start + f) * 2 + 1] = area_[kBlock + f];
            }
        }
    }

private:
    static std::uint32_t kernelKind(render::ScoreEvent::Kind kind) {
        switch (kind) {
            case render::ScoreEvent::Kind::Parameter: return 1;
            case render::ScoreEvent::Kind::NoteOn: return 2;
            case render::ScoreEvent::Kind::NoteOff: return 3;
            case render::ScoreEvent::Kind::Controller: return 0;
        }
        return 0;
    }

    double rate_ = 48000.0;
    std::uint32_t handle_ = 0;
    float* area_ = nullptr;
};

}  // namespace velmo::bench
