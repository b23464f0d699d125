#pragma once
// Unpacks a zip archive that came from the network. Only plain files and folders are made, all
// inside the destination; anything else (absolute or ".." names, links, devices, fifos) refuses
// the archive, and so does crossing a limit: entries, bytes, folder depth, name length, time.
#include <atomic>
#include <cstdint>
#include <string>

namespace velmo {

struct UnpackLimits {
    std::uint64_t maxBytes = 4ull << 30;  // file bytes, plus kUnpackFolderBytes for each folder
    std::uint64_t maxEntries = 100000;
    std::uint32_t maxDepth = 32;          // folder levels above any entry
    std::uint32_t maxNameBytes = 1024;    // an entry's name inside the destination
    double maxSeconds = 60.0;
    const std::atomic<bool>* cancel = nullptr;  // looked at before every entry and data block
};

// What a folder counts against maxBytes: the block it takes on disk.
inline constexpr std::uint64_t kUnpackFolderBytes = 4096;

enum class UnpackOutcome {
    Done,
    Refused,    // not a zip, damaged, or an entry that is not a plain file or folder inside
    OverLimit,  // reason names the limit
    Cancelled,
};

// Unpacks archivePath into the existing folder destination. Anything but Done comes with a
// reason; the destination may then hold part of the archive and is the caller's to remove.
UnpackOutcome unpackZip(const std::string& archivePath, const std::string& destination,
                        const UnpackLimits& limits, std::string& reason);

}  // namespace velmo
