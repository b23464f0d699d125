#pragma once
// HTTPS downloads into memory: https only (also after redirects), the system CA store, no
// cookies, no credentials, no cache, with time-outs and a size cap.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace velmo {

inline constexpr std::uint64_t kDefaultMaxDownloadBytes = 2ull << 30;

// Written by the downloading thread, read by any other.
struct DownloadProgress {
    std::atomic<std::uint64_t> received{0};
    std::atomic<std::uint64_t> expected{0};  // 0 while unknown
};

struct DownloadOptions {
    std::string caFile;                      // PEM trusted in addition to the system store
    double requestTimeoutSeconds = 30.0;     // connecting, and any silence while transferring
    double transferTimeoutSeconds = 300.0;   // the whole transfer
    std::uint64_t maxBytes = kDefaultMaxDownloadBytes;
    const std::atomic<bool>* cancel = nullptr;
    DownloadProgress* progress = nullptr;
};

struct DownloadResult {
    bool transferred = false;  // a response arrived in full; see status
    long status = 0;           // the final HTTP status
    std::vector<std::uint8_t> body;
    std::string error;         // why the transfer failed, when it did
};

// The scheme of an absolute URL, lower-cased. False when the text is not a URL.
bool urlScheme(const std::string& url, std::string& scheme);

// GETs url, following https redirects. Never throws.
DownloadResult httpsDownload(const std::string& url, const DownloadOptions& options);

}  // namespace velmo
