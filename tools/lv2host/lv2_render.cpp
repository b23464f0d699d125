#include "tools/lv2host/lv2_render.h"

#include <algorithm>
#include <cmath>

#include "params/param_table.h"

namespace velmo::lv2host {

using render::ScoreEvent;

namespace {

uint8_t sevenBits(double unit) {
    return static_cast<uint8_t>(std::clamp<long>(std::lround(unit * 127.0), 0, 127));
}

}  // namespace

bool midiOf(const ScoreEvent& e, MidiEvent& midi) {
    const auto channel = static_cast<uint8_t>(e.channel & 15);
    switch (e.kind) {
        case ScoreEvent::Kind::NoteOn:
            // A sounding note keeps at least velocity 1: 0 would be a note-off.
            midi.bytes[0] = static_cast<uint8_t>(0x90 | channel);
            midi.bytes[2] = std::max<uint8_t>(sevenBits(e.value), 1);
            break;
        case ScoreEvent::Kind::NoteOff:
            midi.bytes[0] = static_cast<uint8_t>(0x80 | channel);
            midi.bytes[2] = 0;
            break;
        case ScoreEvent::Kind::Controller:
            midi.bytes[0] = static_cast<uint8_t>(0xB0 | channel);
            midi.bytes[2] = sevenBits(e.value);
            break;
        default:
            return false;
    }
    midi.bytes[1] = static_cast<uint8_t>(e.index & 127);
    return true;
}

void renderScore(Lv2Instance& instance, const render::Score& score, double rate, int blockFrames,
                 double tailSeconds, std::vector<float>& interleaved) {
    const auto total = static_cast<int64_t>(std::ceil((score.lengthSeconds + tailSeconds) * rate));
    const auto block = static_cast<int64_t>(std::min(blockFrames, instance.maxBlockFrames()));
    // Every frame is written below.
    interleaved.resize(static_cast<std::size_t>(std::max<int64_t>(total, 0)) * 2);
    std::vector<float> left(static_cast<std::size_t>(block)), right(static_cast<std::size_t>(block));
    std::vector<MidiEvent> pending;
    std::size_t next = 0;

    for (int64_t start = 0; start < total; start += block) {
        const auto frames = static_cast<uint32_t>(std::min(block, total - start));
        uint32_t runStart = 0;
        pending.clear();
        const auto runTo = [&](uint32_t end) {
            if (end <= runStart) return;
            instance.run(end - runStart, pending.data(), pending.size(), left.data() + runStart,
                         right.data() + runStart);
            pending.clear();
            runStart = end;
        };
        for (; next < score.events.size(); ++next) {
            const ScoreEvent& e = score.events[next];
            const auto at = static_cast<int64_t>(std::llround(e.seconds * rate));
            if (at >= start + frames) break;
            const auto offset = static_cast<uint32_t>(std::max<int64_t>(at - start, 0));
            if (e.kind == ScoreEvent::Kind::Parameter) {
                if (e.index >= VELMO_PARAM_COUNT) continue;
                runTo(offset);
                instance.control(e.index) = static_cast<float>(e.value);
                continue;
            }
            MidiEvent midi;
            if (!midiOf(e, midi)) continue;
            midi.frame = offset - runStart;
            pending.push_back(midi);
        }
        runTo(frames);
        float* out = interleaved.data() + start * 2;
        for (uint32_t f = 0; f < frames; ++f) {
            out[2 * f] = left[f];
            out[2 * f + 1] = right[f];
        }
    }
}

}  // namespace velmo::lv2host
