#pragma once
// What the processor tells the controller about its output on each poll: the peak of each
// channel since the previous poll, and how audition notes fared. Crosses as its raw bytes (the
// payload of "velmo.diag.meters"), so the layout is fixed.
#include <cstdint>
#include <type_traits>

namespace velmo {

struct OutputLevels {
    float peak[2] = {};                     // absolute sample peak, left and right; may be > 1 or inf
    std::uint32_t auditionDropped = 0;      // notes dropped since the processor was made
    std::uint32_t auditionWaitMicros = 0;   // the latest note's wait from arrival to its block
};

static_assert(std::is_trivially_copyable_v<OutputLevels> && sizeof(OutputLevels) == 16);

}  // namespace velmo
