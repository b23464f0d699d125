#pragma once
// Unpacks a zip archive that came from the network. Only plain files and folders are made, all
// inside the destination; anything else (absolute or ".." names, links, devices, fifos), too
// many entries or too many bytes refuses the archive.
#include <atomic>
#include <cstdint>
#include <string>

namespace velmo {

struct UnpackLimits {
    std::uint64_t maxBytes = 4ull << 30;
    std::uint64_t maxEntries = 100000;
    const std::atomic<bool>* cancel = nullptr;
};

// Unpacks archivePath into the existing folder destination. False with a reason on refusal; the
// destination may then hold part of the archive and is the caller's to remove.
bool unpackZip(const std::string& archivePath, const std::string& destination, const UnpackLimits& limits,
               std::string& reason);

}  // namespace velmo
