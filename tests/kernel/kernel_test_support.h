#pragma once
// Small helpers for driving the kernel through its C entry points in tests.
#include <cstdint>
#include <vector>

#include "kernel/kernel_api.h"

#define KERNEL(name) VELMO_KERNEL_ENTRY(name)

namespace velmo::test {

struct StereoRender {
    std::vector<float> left;
    std::vector<float> right;
};

// One timed event for renderEvents: frame counted from the start of the render.
struct TimedEvent {
    uint64_t frame;
    uint32_t kind;
    uint32_t a;
    double value;
};

inline uint32_t createInstance(double sampleRate = 48000) {
    return uint32_t(KERNEL(create)(128, 0, 2, sampleRate));
}

// Renders `frames` frames in blocks of 128, pushing each event in the block that holds it.
// Events must be sorted by frame.
inline StereoRender renderEvents(uint32_t handle, const std::vector<TimedEvent>& events,
                                 uint64_t frames) {
    StereoRender out;
    out.left.reserve(frames);
    out.right.reserve(frames);
    float* area = nullptr;
    uint64_t length = 0;
    KERNEL(output_view)(handle, &area, &length);
    size_t next = 0;
    for (uint64_t start = 0; start < frames; start += 128) {
        const uint32_t block = uint32_t(frames - start < 128 ? frames - start : 128);
        while (next < events.size() && events[next].frame < start + block) {
            const TimedEvent& e = events[next++];
            KERNEL(push_event)(handle, e.kind, uint32_t(e.frame - start), e.a, e.value);
        }
        KERNEL(process)(handle, block);
        out.left.insert(out.left.end(), area, area + block);
        out.right.insert(out.right.end(), area + 128, area + 128 + block);
    }
    return out;
}

inline TimedEvent noteOn(uint64_t frame, uint32_t note, double velocity = 1.0) {
    return {frame, 2, note, velocity};
}
inline TimedEvent noteOff(uint64_t frame, uint32_t note) { return {frame, 3, note, 0.0}; }
inline TimedEvent parameter(uint64_t frame, uint32_t index, double value) {
    return {frame, 1, index, value};
}

}  // namespace velmo::test
