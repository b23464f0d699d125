#pragma once
// Hosted banks: a zip archive at an HTTPS address, pinned by its SHA-256, downloaded once into the
// per-user cache and kept there as an ordinary bank folder named by the pin.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/https_download.h"

namespace velmo {

// How a fetch reaches the network and the disk. The defaults are the product's; tests inject a
// cache root, a CA of their own and short time-outs.
struct HostedBankFetchOptions {
    std::string cacheRoot;  // empty: hostedBankCacheRoot()
    std::string caFile;     // PEM file trusted in addition to the system store; empty: none
    double requestTimeoutSeconds = 30.0;    // connecting, and any silence while transferring
    double transferTimeoutSeconds = 300.0;  // the whole download
    std::uint64_t maxArchiveBytes = kDefaultMaxDownloadBytes;  // streamed to disk, checked as bytes arrive
    std::uint64_t maxUnpackedBytes = 4ull << 30;                // folders count 4 KiB each
    std::uint64_t maxUnpackedEntries = 100000;
    std::uint32_t maxUnpackedDepth = 32;        // folder levels
    std::uint32_t maxUnpackedNameBytes = 1024;  // an entry's name
    double maxUnpackSeconds = 60.0;             // the unpacking alone; the transfer has its own
    const std::atomic<bool>* cancel = nullptr;  // set from another thread to abandon the fetch
    DownloadProgress* progress = nullptr;       // bytes so far / expected, for a progress display
    std::function<void()> beforeMove;           // called just before the bank moves into the cache
};

// The per-user bank cache ($XDG_DATA_HOME/Velmo/banks, else ~/.local/share/Velmo/banks), created
// with its parents; empty when it cannot be located or created.
std::string hostedBankCacheRoot();

// True for 64 hexadecimal characters: the only pins that may name a folder in the cache.
bool isHostedBankPin(const std::string& sha256);

// Where the bank pinned by sha256 is cached (whether or not it is there yet): the cache root, "/"
// and the pin. Empty for a pin that is not one, without a cache root, or when something other
// than a real folder (a link) is at that path. Restoring a saved hosted-bank reference goes
// through this, never through a path built from the state's text.
std::string hostedBankFolder(const std::string& sha256);

// Makes the bank pinned by sha256 (64 lower-case hex characters) available as a folder in the
// cache, downloading, verifying and unpacking it unless the cache already holds it as a real
// folder (anything else there is set aside and the bank fetched again). Blocks until done or
// cancelled; a cancelled fetch leaves nothing behind. True with folder set; false with error set
// (both are cleared first).
bool fetchHostedBank(const std::string& url, const std::string& sha256, std::string& folder,
                     std::string& error);
bool fetchHostedBank(const std::string& url, const std::string& sha256, const HostedBankFetchOptions& options,
                     std::string& folder, std::string& error);

// The folder picker behind "velmo.pickFolder". This build has none: clears path, sets error to
// "this build has no folder picker" and returns false.
bool pickBankFolder(std::string& path, std::string& error);

}  // namespace velmo
