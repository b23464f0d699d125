// zuriz-render's Standard MIDI File reader on any bytes: it either refuses with a reason and
// an empty score, or gives a score whose events are in time order with finite, non-negative
// times and values in their ranges.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "tools/render/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velmo::render::Score score;
    std::string error;
    if (!velmo::render::parseMidiFile(data, size, score, error)) {
        FUZZ_CHECK(!error.empty());
        FUZZ_CHECK(score.events.empty());
        return 0;
    }
    double previous = 0.0;
    for (const velmo::render::ScoreEvent& e : score.events) {
        FUZZ_CHECK(std::isfinite(e.seconds) && e.seconds >= previous);
        previous = e.seconds;
        FUZZ_CHECK(e.channel >= 0 && e.channel <= 15);
        FUZZ_CHECK(std::isfinite(e.value) && e.value >= 0.0 && e.value <= 1.0);
        if (e.kind != velmo::render::ScoreEvent::Kind::Parameter) FUZZ_CHECK(e.index <= 127);
    }
    FUZZ_CHECK(std::isfinite(score.lengthSeconds) && score.lengthSeconds >= previous);
    return 0;
}
