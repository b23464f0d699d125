// Standard MIDI Files into scores: timing through tempo maps, running status, the message
// kinds that are played, and refusal of damaged files.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/render/midi_file.h"

namespace velmo::render {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = ScoreEvent::Kind;

void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

Bytes be32(std::uint32_t v) { return {Bytes::value_type(v >> 24), Bytes::value_type(v >> 16), Bytes::value_type(v >> 8), Bytes::value_type(v)}; }

Bytes header(int format, int tracks, std::uint16_t division) {
    Bytes h = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, Bytes::value_type(format), 0, Bytes::value_type(tracks),
               Bytes::value_type(division >> 8), Bytes::value_type(division & 0xFF)};
    return h;
}

Bytes track(const Bytes& body, bool withEnd = true) {
    Bytes t = {'M', 'T', 'r', 'k'};
    Bytes b = body;
    if (withEnd) append(b, {0x00, 0xFF, 0x2F, 0x00});
    append(t, be32(static_cast<std::uint32_t>(b.size())));
    append(t, b);
    return t;
}

Score parse(const Bytes& file) {
    Score score;
    std::string error;
    EXPECT_TRUE(parseMidiFile(file.data(), file.size(), score, error)) << error;
    return score;
}

std::string refusal(const Bytes& file) {
    Score score;
    std::string error;
    EXPECT_FALSE(parseMidiFile(file.data(), file.size(), score, error));
    EXPECT_TRUE(score.events.empty());
    return error;
}

TEST(MidiFile, FormatZeroFollowsTempoChangesAndRunningStatus) {
    Bytes file = header(0, 1, 480);
    append(file, track({
        0x00, 0x90, 60, 100,              // note on at 0
        0x83, 0x60, 60, 0,                // 480 ticks later (running status), velocity 0 = off
        0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,  // tempo 1 000 000 us per quarter (60 bpm)
        0x83, 0x60, 0xB2, 7, 64,          // controller 7 on channel 3, one quarter at 60 bpm
        0x00, 0x82, 62, 10,               // explicit note off, channel 3
        0x00, 0xC0, 5,                    // program change: not played
        0x00, 0xE0, 0, 64,                // pitch bend: not played
    }));
    const Score s = parse(file);
    ASSERT_EQ(s.events.size(), 4u);
    EXPECT_EQ(s.events[0].kind, Kind::NoteOn);
    EXPECT_DOUBLE_EQ(s.events[0].seconds, 0.0);
    EXPECT_DOUBLE_EQ(s.events[0].value, 100 / 127.0);
    EXPECT_EQ(s.events[1].kind, Kind::NoteOff);
    EXPECT_DOUBLE_EQ(s.events[1].seconds, 0.5) << "480 ticks at 120 bpm";
    EXPECT_EQ(s.events[2].kind, Kind::Controller);
    EXPECT_EQ(s.events[2].index, 7u);
    EXPECT_EQ(s.events[2].channel, 2);
    EXPECT_DOUBLE_EQ(s.events[2].value, 64 / 127.0);
    EXPECT_DOUBLE_EQ(s.events[2].seconds, 1.5) << "the next 480 ticks at 60 bpm";
    EXPECT_EQ(s.events[3].kind, Kind::NoteOff);
    EXPECT_EQ(s.events[3].index, 62u);
    EXPECT_DOUBLE_EQ(s.lengthSeconds, 1.5);
}

TEST(MidiFile, FormatOneMergesTracksWithTheTempoOfTheFirst) {
    Bytes file = header(1, 2, 96);
    append(file, track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}));  // 500 000 us: 120 bpm
    // An unknown chunk between tracks is skipped.
    append(file, {'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 1, 2});
    append(file, track({0x60, 0x91, 64, 127, 0x60, 0x81, 64, 0, 0x00, 0x91, 67, 1}));
    const Score s = parse(file);
    ASSERT_EQ(s.events.size(), 3u);
    EXPECT_DOUBLE_EQ(s.events[0].seconds, 0.5);
    EXPECT_EQ(s.events[0].channel, 1);
    EXPECT_DOUBLE_EQ(s.events[1].seconds, 1.0);
    EXPECT_EQ(s.events[2].kind, Kind::NoteOn);
    EXPECT_DOUBLE_EQ(s.events[2].seconds, 1.0);
}

TEST(MidiFile, SmpteTimeIgnoresTempo) {
    // 25 frames per second, 40 ticks per frame: 1000 ticks per second.
    Bytes file = header(0, 1, static_cast<std::uint16_t>((0x100 - 25) << 8 | 40));
    append(file, track({0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x87, 0x68, 0x90, 60, 90}));
    const Score s = parse(file);
    ASSERT_EQ(s.events.size(), 1u);
    EXPECT_DOUBLE_EQ(s.events[0].seconds, 1.0);
}

TEST(MidiFile, SystemExclusiveAndTrackWithoutEndAreTolerated) {
    Bytes file = header(0, 1, 480);
    append(file, track({0x00, 0xF0, 0x03, 1, 2, 0xF7, 0x00, 0x90, 60, 100}, false));
    const Score s = parse(file);
    ASSERT_EQ(s.events.size(), 1u);
    EXPECT_EQ(s.events[0].index, 60u);
}

TEST(MidiFile, DamagedFilesAreRefused) {
    EXPECT_NE(refusal({'R', 'I', 'F', 'F'}), "");
    EXPECT_NE(refusal(header(3, 1, 480)).find("format"), std::string::npos);
    EXPECT_NE(refusal(header(0, 1, 0)), "");
    EXPECT_NE(refusal(header(0, 1, 480)).find("no track"), std::string::npos);

    Bytes truncated = header(0, 1, 480);
    Bytes t = track({0x00, 0x90, 60, 100});
    t[7] += 10;  // the track claims more bytes than the file has
    append(truncated, t);
    EXPECT_NE(refusal(truncated), "");

    Bytes noStatus = header(0, 1, 480);
    append(noStatus, track({0x00, 60, 100}));
    EXPECT_NE(refusal(noStatus).find("status"), std::string::npos);

    Bytes longDelta = header(0, 1, 480);
    append(longDelta, track({0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 100}));
    EXPECT_NE(refusal(longDelta), "");

    Bytes badData = header(0, 1, 480);
    append(badData, track({0x00, 0x90, 0x80, 100}));
    EXPECT_NE(refusal(badData), "");

    Bytes cutMessage = header(0, 1, 480);
    append(cutMessage, track({0x00, 0x90, 60}, false));
    EXPECT_NE(refusal(cutMessage), "");

    Score score;
    std::string error;
    EXPECT_FALSE(readMidiFile("/nonexistent/zuriz.mid", score, error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
}

}  // namespace
}  // namespace velmo::render
