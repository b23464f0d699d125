#pragma once
// The built-in demo: a short piece in five sections, one per bell family.
#include <cstdint>
#include <vector>

namespace velmo::render {

struct ScoreEvent {
    enum class Kind { Parameter, NoteOn, NoteOff, Controller };
    double seconds = 0.0;  // from the start of the piece
    Kind kind = Kind::NoteOn;
    std::uint32_t index = 0;  // parameter id (0-9), MIDI note, or MIDI controller number
    double value = 0.0;       // plain parameter value, velocity 0-1, or controller value 0-1
    std::int16_t channel = 0; // MIDI channel 0-15 of notes and controllers
};

struct ScoreSection {
    const char* family;    // the family's display name
    double startSeconds;
    double endSeconds;
    int fundamentalNote;   // the note whose pitch dominates the section
};

struct Score {
    std::vector<ScoreEvent> events;  // sorted by time
    std::vector<ScoreSection> sections;
    double lengthSeconds = 0.0;      // last event; the renderer adds a tail
};

// The demo: for each family in index order, a short phrase and a closing chord.
Score demoScore();

}  // namespace velmo::render
