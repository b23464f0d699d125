#pragma once
// HTTPS downloads streamed to the caller: https only (also after redirects), the system CA store,
// no cookies, no credentials, no cache, with time-outs and a size cap.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace velmo {

inline constexpr std::uint64_t kDefaultMaxDownloadBytes = 2ull << 30;

// Written by the downloading thread, read by any other.
struct DownloadProgress {
    std::atomic<std::uint64_t> received{0};
    std::atomic<std::uint64_t> expected{0};  // 0 while unknown
};

// Takes the body's bytes as they arrive; false stops the transfer.
using DownloadSink = std::function<bool(const std::uint8_t* data, std::size_t count)>;

struct DownloadOptions {
    std::string caFile;                      // PEM trusted in addition to the system store
    double requestTimeoutSeconds = 30.0;     // connecting, and any silence while transferring
    double transferTimeoutSeconds = 300.0;   // the whole transfer
    std::uint64_t maxBytes = kDefaultMaxDownloadBytes;  // checked as bytes arrive
    const std::atomic<bool>* cancel = nullptr;
    DownloadProgress* progress = nullptr;
    DownloadSink sink;  // the body of a 200 response; any other body is dropped
};

struct DownloadResult {
    bool transferred = false;  // a response arrived in full; see status
    long status = 0;           // the final HTTP status
    std::uint64_t bytes = 0;   // body bytes given to the sink
    bool sinkRefused = false;  // the sink returned false
    std::string error;         // why the transfer failed, when it did
};

// The scheme of an absolute URL, lower-cased. False when the text is not a URL.
bool urlScheme(const std::string& url, std::string& scheme);

// True when the URL names a user, a password or login options: credentials a request would send.
bool urlCarriesCredentials(const std::string& url);

// GETs url, following https redirects that carry no credentials. Never throws.
DownloadResult httpsDownload(const std::string& url, const DownloadOptions& options);

}  // namespace velmo
