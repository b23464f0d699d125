#pragma once
// Standard MIDI Files (formats 0, 1 and 2) read into a score: notes and controllers with
// their times in seconds, following the file's tempo map.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/render/demo_score.h"

namespace velmo::render {

// Reads `size` bytes of a MIDI file. On failure returns false with the reason in `error`
// and leaves `score` empty.
bool parseMidiFile(const std::uint8_t* data, std::size_t size, Score& score, std::string& error);

// Reads the file at `path`.
bool readMidiFile(const std::string& path, Score& score, std::string& error);

}  // namespace velmo::render
