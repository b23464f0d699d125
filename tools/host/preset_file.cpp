#include "tools/host/preset_file.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace velmo::host {
namespace {

constexpr std::size_t HEADER_SIZE = 48;  // id, version, class id, list offset
constexpr std::size_t ENTRY_SIZE = 20;   // id, offset, size
constexpr std::int32_t FORMAT_VERSION = 1;
constexpr std::size_t MAX_FILE_SIZE = std::size_t{64} << 20;

void putLe(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint64_t getLe(const char* p, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(p[i]);
    return value;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

}  // namespace

std::string writePresetFile(const PresetFile& preset) {
    struct Entry {
        const char* id;
        const std::string* data;
    };
    Entry entries[2] = {{"Comp", &preset.componentState}, {"Cont", nullptr}};
    if (preset.controllerState) entries[1].data = &*preset.controllerState;
    const int count = preset.controllerState ? 2 : 1;

    std::string out = "VST3";
    putLe(out, FORMAT_VERSION, 4);
    out += preset.classId.substr(0, 32);
    out.resize(40, '0');
    std::uint64_t listOffset = HEADER_SIZE;
    for (int i = 0; i < count; ++i) listOffset += entries[i].data->size();
    putLe(out, listOffset, 8);
    for (int i = 0; i < count; ++i) out += *entries[i].data;
    out += "List";
    putLe(out, static_cast<std::uint64_t>(count), 4);
    std::uint64_t offset = HEADER_SIZE;
    for (int i = 0; i < count; ++i) {
        out.append(entries[i].id, 4);
        putLe(out, offset, 8);
        putLe(out, entries[i].data->size(), 8);
        offset += entries[i].data->size();
    }
    return out;
}

bool readPresetFile(const char* data, std::size_t size, PresetFile& out, std::string& error) {
    out = PresetFile{};
    if (data == nullptr || size < HEADER_SIZE || std::memcmp(data, "VST3", 4) != 0) {
        error = "not a VST3 preset file";
        return false;
    }
    if (static_cast<std::int32_t>(getLe(data + 4, 4)) < FORMAT_VERSION) {
        error = "unknown preset file version";
        return false;
    }
    out.classId.assign(data + 8, 32);
    for (char c : out.classId) {
        if (!isHexDigit(c)) {
            error = "the class id is not 32 hexadecimal digits";
            return false;
        }
    }
    // Offsets are compared against sizes, never added, so no value can overflow.
    const std::uint64_t listOffset = getLe(data + 40, 8);
    if (listOffset < HEADER_SIZE || listOffset > size || size - listOffset < 8 ||
        std::memcmp(data + listOffset, "List", 4) != 0) {
        error = "the chunk list is missing or outside the file";
        return false;
    }
    const std::uint64_t count = getLe(data + listOffset + 4, 4);
    const std::uint64_t listRoom = size - listOffset - 8;
    if (count > listRoom / ENTRY_SIZE) {
        error = "the chunk list runs past the end of the file";
        return false;
    }
    bool haveComponent = false;
    for (std::uint64_t i = 0; i < count; ++i) {
        const char* entry = data + listOffset + 8 + i * ENTRY_SIZE;
        const std::uint64_t offset = getLe(entry + 4, 8);
        const std::uint64_t length = getLe(entry + 12, 8);
        if (offset > size || length > size - offset) {
            error = "a chunk lies outside the file";
            return false;
        }
        // The first chunk of each kind counts; others are ignored.
        if (std::memcmp(entry, "Comp", 4) == 0 && !haveComponent) {
            out.componentState.assign(data + offset, length);
            haveComponent = true;
        } else if (std::memcmp(entry, "Cont", 4) == 0 && !out.controllerState) {
            out.controllerState.emplace(data + offset, length);
        }
    }
    if (!haveComponent) {
        error = "the preset carries no component state";
        return false;
    }
    return true;
}

bool loadPresetFile(const std::string& path, PresetFile& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::string bytes;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > MAX_FILE_SIZE) {
            error = path + " is too large for a preset";
            return false;
        }
    }
    if (!readPresetFile(bytes.data(), bytes.size(), out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace velmo::host
