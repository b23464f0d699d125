#include "banks/hosted_bank.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "platform/file_tree.h"
#include "platform/sha256.h"
#include "platform/user_folders.h"
#include "platform/zip_unpack.h"

namespace velmo {
namespace {

constexpr std::size_t kPinLength = 64;
constexpr int kStagingAttempts = 16;
constexpr char kStagingMark[] = ".staging-";
constexpr char kBrokenMark[] = ".broken-";
constexpr char kDiscardedMark[] = ".discarded-";
// How long a cancelled fetch goes on removing what it made before it returns.
constexpr double kCancelledCleanupSeconds = 0.2;
// A staging folder lives for one unpack: one untouched for a day belongs to a fetch whose
// process died, and only takes space. A broken entry set aside is kept as long, to be looked at.
constexpr double kAbandonedSeconds = 24.0 * 60.0 * 60.0;

bool fail(std::string& error, const char* message)
{
    error = message;
    return false;
}

bool cancelled(const HostedBankFetchOptions& options)
{
    return options.cancel != nullptr && options.cancel->load(std::memory_order_relaxed);
}

// "<cached><mark><n>", n below 1,000,000: a sibling of the cached folder.
std::string siblingName(const std::string& cached, const char* mark, std::random_device& random)
{
    std::uniform_int_distribution<unsigned> number(0, 999999);
    return cached + mark + std::to_string(number(random));
}

// Removes a staging folder. It is renamed aside first, so the staging name is gone at once; once
// the fetch is cancelled the removal goes on only briefly (a close must not wait on thousands of
// folders), and the next fetch's sweep removes the rest.
void discardStaging(const std::string& cached, const std::string& staging, const HostedBankFetchOptions& options)
{
    std::random_device random;
    std::string aside = siblingName(cached, kDiscardedMark, random);
    if (pathExists(aside) || !renamePath(staging, aside)) aside = staging;
    std::chrono::steady_clock::time_point cancelSeen{};
    removeAll(aside, [&] {
        if (!cancelled(options)) return true;
        const auto now = std::chrono::steady_clock::now();
        if (cancelSeen == std::chrono::steady_clock::time_point{}) cancelSeen = now;
        return std::chrono::duration<double>(now - cancelSeen).count() < kCancelledCleanupSeconds;
    });
}

// Made fresh, so two instances fetching the same pin never share (or remove) one another's
// staging folder.
bool makeStagingFolder(const std::string& cached, std::string& staging)
{
    std::random_device random;
    for (int attempt = 0; attempt < kStagingAttempts; ++attempt) {
        staging = siblingName(cached, kStagingMark, random);
        if (createNewDirectory(staging)) return true;
        if (!pathExists(staging)) return false;  // not a collision: the cache is not writable
    }
    return false;
}

// Moves what is at the cached path (a link, a file) out of the way; removes it if it cannot.
void setAsideBroken(const std::string& cached)
{
    std::random_device random;
    for (int attempt = 0; attempt < kStagingAttempts; ++attempt) {
        const std::string aside = siblingName(cached, kBrokenMark, random);
        if (!pathExists(aside) && renamePath(cached, aside)) return;
    }
    removeAll(cached);  // never follows a link
}

bool isSiblingName(const std::string& name, const char* mark)
{
    const std::size_t length = std::strlen(mark);
    if (name.size() <= kPinLength + length || !isHostedBankPin(name.substr(0, kPinLength))) return false;
    if (name.compare(kPinLength, length, mark) != 0) return false;
    return name.find_first_not_of("0123456789", kPinLength + length) == std::string::npos;
}

void sweepAbandoned(const std::string& root, const HostedBankFetchOptions& options)
{
    std::vector<std::string> names;
    listDirectory(root, names);
    for (const auto& name : names) {
        double age = 0.0;
        const std::string path = root + "/" + name;
        const bool abandoned = (isSiblingName(name, kStagingMark) || isSiblingName(name, kBrokenMark)) &&
                               secondsSinceModified(path, age) && age > kAbandonedSeconds;
        if (abandoned || isSiblingName(name, kDiscardedMark))
            removeAll(path, [&] { return !cancelled(options); });
        if (cancelled(options)) return;
    }
}

// The staging folder itself when it holds "bank.json"; else its one folder whose name does not
// begin with "." when there is exactly one; else the staging folder.
std::string topFolder(const std::string& staging)
{
    std::vector<std::string> names;
    listDirectory(staging, names);
    std::string only;
    int folders = 0;
    for (const auto& name : names) {
        if (name == "bank.json") return staging;
        if (name[0] == '.' || !isRealDirectory(staging + "/" + name)) continue;
        ++folders;
        only = name;
    }
    return folders == 1 ? staging + "/" + only : staging;
}

void note(const std::string& what)
{
    std::fprintf(stderr, "velmo-plugin-shell: hosted bank: %s\n", what.c_str());
}

}  // namespace

std::string hostedBankCacheRoot()
{
    const std::string data = userDataDirectory();
    if (data.empty()) return {};
    const std::string root = data + "/Velmo/banks";
    return createDirectories(root) ? root : std::string();
}

bool isHostedBankPin(const std::string& sha256)
{
    if (sha256.size() != kPinLength) return false;
    for (const char c : sha256)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

std::string hostedBankFolder(const std::string& sha256)
{
    if (!isHostedBankPin(sha256)) return {};
    const std::string root = hostedBankCacheRoot();
    if (root.empty()) return {};
    const std::string cached = root + "/" + sha256;
    return !pathExists(cached) || isRealDirectory(cached) ? cached : std::string();
}

bool fetchHostedBank(const std::string& url, const std::string& sha256, std::string& folder, std::string& error)
{
    return fetchHostedBank(url, sha256, HostedBankFetchOptions{}, folder, error);
}

bool fetchHostedBank(const std::string& url, const std::string& sha256, const HostedBankFetchOptions& options,
                     std::string& folder, std::string& error)
{
    folder.clear();
    error.clear();
    // The pin names a folder: anything but hexadecimal could never match the hash below, and
    // must not reach the file system either ("../..." is 64 characters too).
    if (!isHostedBankPin(sha256)) return fail(error, "a hosted bank must pin a 64-hex sha256");

    std::string root = options.cacheRoot;
    if (root.empty()) root = hostedBankCacheRoot();
    else if (!createDirectories(root)) root.clear();
    if (root.empty()) return fail(error, "cannot create the bank cache directory");

    const std::string cached = root + "/" + sha256;
    // Only a real folder inside the cache is a cached bank: a link there could point anywhere.
    if (isRealDirectory(cached)) {
        folder = cached;
        return true;
    }
    if (pathExists(cached)) {
        note("set aside a cache entry that is not a folder: " + cached);
        setAsideBroken(cached);
    }

    std::string scheme;
    if (!urlScheme(url, scheme)) return fail(error, "hosted bank url is not a valid URL");
    if (scheme != "https") return fail(error, "hosted banks must be served over https");
    if (urlCarriesCredentials(url)) return fail(error, "hosted bank url must not carry a user name or password");

    sweepAbandoned(root, options);
    std::string staging;
    if (!makeStagingFolder(cached, staging)) return fail(error, "cannot create the staging directory");
    const auto failAndDiscard = [&](const std::string& message) {
        discardStaging(cached, staging, options);
        error = message;
        return false;
    };

    // Streamed into the staging folder and hashed as it arrives: only a small buffer is held.
    const std::string archive = staging + "/bank.zip";
    NewFile file;
    if (!file.create(archive)) return failAndDiscard("cannot write the downloaded archive");
    Sha256 hash;
    DownloadOptions download;
    download.caFile = options.caFile;
    download.requestTimeoutSeconds = options.requestTimeoutSeconds;
    download.transferTimeoutSeconds = options.transferTimeoutSeconds;
    download.maxBytes = options.maxArchiveBytes;
    download.cancel = options.cancel;
    download.progress = options.progress;
    download.sink = [&](const std::uint8_t* data, std::size_t count) {
        hash.update(data, count);
        return file.write(data, count);
    };
    const DownloadResult response = httpsDownload(url, download);
    const bool stored = file.close();
    if (response.sinkRefused || (response.transferred && !stored))
        return failAndDiscard("cannot write the downloaded archive");
    if (!response.transferred)
        return failAndDiscard(response.error.empty() ? "download failed" : response.error);
    if (response.status != 200) return failAndDiscard("HTTP " + std::to_string(response.status));
    if (response.bytes == 0) return failAndDiscard("download failed");

    const std::string digest = hexDigest(hash.finish());
    if (digest != sha256)
        return failAndDiscard("downloaded bytes hash to " + digest.substr(0, 16) +
                              "\xE2\x80\xA6 which does not match the pinned sha256");

    UnpackLimits limits;
    limits.maxBytes = options.maxUnpackedBytes;
    limits.maxEntries = options.maxUnpackedEntries;
    limits.maxDepth = options.maxUnpackedDepth;
    limits.maxNameBytes = options.maxUnpackedNameBytes;
    limits.maxSeconds = options.maxUnpackSeconds;
    limits.cancel = options.cancel;
    std::string reason;
    const UnpackOutcome unpacked = unpackZip(archive, staging, limits, reason);
    removeAll(archive);
    switch (unpacked) {
    case UnpackOutcome::Done: break;
    case UnpackOutcome::Cancelled: return failAndDiscard("the download was cancelled");
    case UnpackOutcome::OverLimit: return failAndDiscard("the downloaded archive " + reason);
    case UnpackOutcome::Refused:
        note("refused archive: " + reason);
        return failAndDiscard("the downloaded archive is not a readable zip");
    }

    const std::string top = topFolder(staging);
    if (options.beforeMove) options.beforeMove();
    if (cancelled(options)) return failAndDiscard("the download was cancelled");
    if (!isRealDirectory(cached)) {
        removeAll(cached);  // a stray file or link, never another instance's folder
        // A folder that appeared meanwhile is another instance's fetch of the same pin: the
        // bytes were verified against the same hash, so it is kept and this copy dropped.
        if (!renamePath(top, cached) && !isRealDirectory(cached))
            return failAndDiscard("cannot move the unpacked bank into the cache");
    }
    discardStaging(cached, staging, options);  // what a top folder left, or all of a copy not needed
    folder = cached;
    return true;
}

bool pickBankFolder(std::string& path, std::string& error)
{
    path.clear();
    error = "this build has no folder picker";
    return false;
}

}  // namespace velmo
