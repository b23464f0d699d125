#include "tools/render/midi_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

namespace velmo::render {
namespace {

// Limits that keep a malformed or hostile file from costing unbounded memory.
constexpr std::size_t MAX_FILE_BYTES = 64u << 20;
constexpr std::size_t MAX_EVENTS = 4u << 20;
constexpr std::uint32_t DEFAULT_TEMPO = 500000;  // microseconds per quarter note (120 bpm)

struct Reader {
    const std::uint8_t* p;
    const std::uint8_t* end;

    bool has(std::size_t n) const { return static_cast<std::size_t>(end - p) >= n; }
    bool u8(std::uint32_t& v) {
        if (!has(1)) return false;
        v = *p++;
        return true;
    }
    bool be(std::size_t bytes, std::uint32_t& v) {
        if (!has(bytes)) return false;
        v = 0;
        for (std::size_t i = 0; i < bytes; ++i) v = (v << 8) | *p++;
        return true;
    }
    // Variable-length quantity: at most four bytes, seven bits each.
    bool vlq(std::uint32_t& v) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint32_t b;
            if (!u8(b)) return false;
            v = (v << 7) | (b & 0x7F);
            if ((b & 0x80) == 0) return true;
        }
        return false;
    }
    bool skip(std::size_t n) {
        if (!has(n)) return false;
        p += n;
        return true;
    }
};

struct TickEvent {
    std::uint64_t tick;
    std::size_t order;  // keeps the file's order among events at one tick
    ScoreEvent event;
};

struct TempoChange {
    std::uint64_t tick;
    std::size_t order;
    std::uint32_t microsPerQuarter;
};

bool readTrack(Reader r, std::vector<TickEvent>& events, std::vector<TempoChange>& tempi,
               std::string& error) {
    std::uint64_t tick = 0;
    std::uint32_t running = 0;
    while (r.p < r.end) {
        std::uint32_t delta, status;
        if (!r.vlq(delta) || !r.u8(status)) return error = "truncated event in a track", false;
        tick += delta;
        if (status == 0xFF) {
            std::uint32_t type, length;
            if (!r.u8(type) || !r.vlq(length) || !r.has(length))
                return error = "truncated meta event", false;
            if (type == 0x2F) return true;  // end of track
            if (type == 0x51 && length == 3) {
                std::uint32_t tempo = 0;
                r.be(3, tempo);
                if (tempo > 0) tempi.push_back({tick, events.size() + tempi.size(), tempo});
            } else {
                r.skip(length);
            }
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            std::uint32_t length;
            if (!r.vlq(length) || !r.skip(length)) return error = "truncated system exclusive", false;
            running = 0;
            continue;
        }
        std::uint32_t first;
        if (status < 0x80) {
            if (running == 0) return error = "data byte without a status", false;
            first = status;
            status = running;
        } else {
            if (status >= 0xF0) return error = "unexpected system message in a track", false;
            running = status;
            if (!r.u8(first)) return error = "truncated channel message", false;
        }
        const std::uint32_t kind = status & 0xF0;
        std::uint32_t second = 0;
        if (kind != 0xC0 && kind != 0xD0 && !r.u8(second)) return error = "truncated channel message", false;
        if (first > 0x7F || second > 0x7F) return error = "data byte out of range", false;

        ScoreEvent e;
        e.channel = static_cast<std::int16_t>(status & 0x0F);
        e.index = first;
        if (kind == 0x90 && second > 0) {
            e.kind = ScoreEvent::Kind::NoteOn;
            e.value = second / 127.0;
        } else if (kind == 0x80 || kind == 0x90) {
            e.kind = ScoreEvent::Kind::NoteOff;
        } else if (kind == 0xB0) {
            e.kind = ScoreEvent::Kind::Controller;
            e.value = second / 127.0;
        } else {
            continue;  // after-touch, program change, pitch bend: not played
        }
        if (events.size() + tempi.size() >= MAX_EVENTS) return error = "too many events", false;
        events.push_back({tick, events.size() + tempi.size(), e});
    }
    return true;  // a track without its end marker is still usable
}

}  // namespace

bool parseMidiFile(const std::uint8_t* data, std::size_t size, Score& score, std::string& error) {
    score = Score{};
    Reader r{data, data + size};
    std::uint32_t id, length, format, tracks, division;
    if (!r.be(4, id) || id != 0x4D546864 /* MThd */ || !r.be(4, length) || length < 6 ||
        !r.be(2, format) || !r.be(2, tracks) || !r.be(2, division) || !r.skip(length - 6))
        return error = "not a Standard MIDI File", false;
    if (format > 2) return error = "unknown MIDI file format " + std::to_string(format), false;
    if (division == 0) return error = "MIDI file has no time division", false;

    std::vector<TickEvent> events;
    std::vector<TempoChange> tempi;
    std::uint32_t found = 0;
    while (found < tracks && r.has(8)) {
        r.be(4, id);
        r.be(4, length);
        if (!r.has(length)) return error = "truncated track", false;
        if (id == 0x4D54726B /* MTrk */) {
            if (!readTrack(Reader{r.p, r.p + length}, events, tempi, error)) return false;
            ++found;
        }
        r.skip(length);  // unknown chunks are skipped
    }
    if (found == 0) return error = "MIDI file has no track", false;

    auto byTime = [](const auto& a, const auto& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    };
    std::sort(events.begin(), events.end(), byTime);
    std::sort(tempi.begin(), tempi.end(), byTime);

    // Seconds from ticks: SMPTE time is fixed; metrical time follows the tempo changes.
    double secondsPerTick;
    const bool smpte = (division & 0x8000) != 0;
    if (smpte) {
        const int fps = -static_cast<std::int8_t>(division >> 8);
        const double frames = fps == 29 ? 29.97 : fps;
        const std::uint32_t ticksPerFrame = division & 0xFF;
        if (fps <= 0 || ticksPerFrame == 0) return error = "bad SMPTE time division", false;
        secondsPerTick = 1.0 / (frames * ticksPerFrame);
    } else {
        secondsPerTick = DEFAULT_TEMPO * 1e-6 / division;
    }
    std::size_t nextTempo = 0;
    std::uint64_t lastTick = 0;
    double lastSeconds = 0.0;
    for (const TickEvent& te : events) {
        while (!smpte && nextTempo < tempi.size() && tempi[nextTempo].tick <= te.tick) {
            lastSeconds += double(tempi[nextTempo].tick - lastTick) * secondsPerTick;
            lastTick = tempi[nextTempo].tick;
            secondsPerTick = tempi[nextTempo].microsPerQuarter * 1e-6 / division;
            ++nextTempo;
        }
        ScoreEvent e = te.event;
        e.seconds = lastSeconds + double(te.tick - lastTick) * secondsPerTick;
        score.events.push_back(e);
    }
    score.lengthSeconds = score.events.empty() ? 0.0 : score.events.back().seconds;
    return true;
}

bool readMidiFile(const std::string& path, Score& score, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return error = "cannot open " + path, false;
    std::vector<std::uint8_t> bytes;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        bytes.insert(bytes.end(), chunk, chunk + in.gcount());
        if (bytes.size() > MAX_FILE_BYTES) return error = path + " is too large for a MIDI file", false;
    }
    return parseMidiFile(bytes.data(), bytes.size(), score, error);
}

}  // namespace velmo::render
