#pragma once
// The VST3 preset file (.vstpreset): a 48-byte header ("VST3", version, the processor's class
// id as 32 ASCII hex digits, the offset of the chunk list), the chunk data, then the chunk list
// ("List", a count, and per chunk its 4-byte id, offset and size). Integers are little-endian.
// Only the component ("Comp") and controller ("Cont") state chunks are read or written.
// Plain bytes in, plain bytes out: no SDK type here, so the reader can be fuzzed on its own.
#include <cstddef>
#include <optional>
#include <string>

namespace velmo::host {

struct PresetFile {
    std::string classId;  // 32 hex digits, as written in the file
    std::string componentState;
    std::optional<std::string> controllerState;  // the file may carry none
};

// A whole preset file. `classId` must be 32 characters.
std::string writePresetFile(const PresetFile& preset);

// Parses a whole file. False with the reason in `error` for anything malformed: a short or
// foreign header, a chunk list or chunk outside the file, no component state.
bool readPresetFile(const char* data, std::size_t size, PresetFile& out, std::string& error);

// Reads and parses the file at `path` (at most 64 MiB).
bool loadPresetFile(const std::string& path, PresetFile& out, std::string& error);

}  // namespace velmo::host
