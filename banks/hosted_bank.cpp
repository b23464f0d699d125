#include "banks/hosted_bank.h"

#include <cstdio>
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
// A staging folder lives for one unpack: one untouched for a day belongs to a fetch whose
// process died, and only takes space.
constexpr double kAbandonedStagingSeconds = 24.0 * 60.0 * 60.0;

bool fail(std::string& error, const char* message)
{
    error = message;
    return false;
}

bool failAndClean(std::string& error, const char* message, const std::string& staging)
{
    removeAll(staging);
    return fail(error, message);
}

// The cached folder's sibling "<folder>.staging-<n>", n below 1,000,000. Made fresh, so two
// instances fetching the same pin never share (or remove) one another's staging folder.
bool makeStagingFolder(const std::string& cached, std::string& staging)
{
    std::random_device random;
    std::uniform_int_distribution<unsigned> number(0, 999999);
    for (int attempt = 0; attempt < kStagingAttempts; ++attempt) {
        staging = cached + kStagingMark + std::to_string(number(random));
        if (createNewDirectory(staging)) return true;
        if (!pathExists(staging)) return false;  // not a collision: the cache is not writable
    }
    return false;
}

bool isStagingName(const std::string& name)
{
    const std::size_t mark = sizeof kStagingMark - 1;
    if (name.size() <= kPinLength + mark || !isHostedBankPin(name.substr(0, kPinLength))) return false;
    if (name.compare(kPinLength, mark, kStagingMark) != 0) return false;
    return name.find_first_not_of("0123456789", kPinLength + mark) == std::string::npos;
}

void sweepAbandonedStaging(const std::string& root)
{
    std::vector<std::string> names;
    listDirectory(root, names);
    for (const auto& name : names) {
        double age = 0.0;
        const std::string path = root + "/" + name;
        if (isStagingName(name) && secondsSinceModified(path, age) && age > kAbandonedStagingSeconds)
            removeAll(path);
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
        if (name[0] == '.' || !isDirectory(staging + "/" + name)) continue;
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
    return root.empty() ? std::string() : root + "/" + sha256;
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
    if (isDirectory(cached)) {
        folder = cached;
        return true;
    }

    std::string scheme;
    if (!urlScheme(url, scheme)) return fail(error, "hosted bank url is not a valid URL");
    if (scheme != "https") return fail(error, "hosted banks must be served over https");

    DownloadOptions download;
    download.caFile = options.caFile;
    download.requestTimeoutSeconds = options.requestTimeoutSeconds;
    download.transferTimeoutSeconds = options.transferTimeoutSeconds;
    download.maxBytes = options.maxArchiveBytes;
    download.cancel = options.cancel;
    download.progress = options.progress;
    DownloadResult response = httpsDownload(url, download);
    if (!response.transferred) {
        error = response.error.empty() ? "download failed" : response.error;
        return false;
    }
    if (response.status != 200) {
        error = "HTTP " + std::to_string(response.status);
        return false;
    }
    if (response.body.empty()) return fail(error, "download failed");

    const std::string digest = sha256HexDigest(response.body.data(), response.body.size());
    if (digest != sha256) {
        error = "downloaded bytes hash to " + digest.substr(0, 16) +
                "\xE2\x80\xA6 which does not match the pinned sha256";
        return false;
    }

    sweepAbandonedStaging(root);
    std::string staging;
    if (!makeStagingFolder(cached, staging)) return fail(error, "cannot create the staging directory");
    const std::string archive = staging + "/bank.zip";
    const bool written = writeFileAtomically(archive, response.body.data(), response.body.size());
    response.body = {};
    if (!written) return failAndClean(error, "cannot write the downloaded archive", staging);

    UnpackLimits limits;
    limits.maxBytes = options.maxUnpackedBytes;
    limits.maxEntries = options.maxUnpackedEntries;
    limits.cancel = options.cancel;
    std::string reason;
    const bool unpacked = unpackZip(archive, staging, limits, reason);
    removeAll(archive);
    if (!unpacked) {
        note("refused archive: " + reason);
        return failAndClean(error, "the downloaded archive is not a readable zip", staging);
    }

    const std::string top = topFolder(staging);
    if (!isDirectory(cached)) {
        removeAll(cached);  // a stray file, never another instance's folder
        // A folder that appeared meanwhile is another instance's fetch of the same pin: the
        // bytes were verified against the same hash, so it is kept and this copy dropped.
        if (!renamePath(top, cached) && !isDirectory(cached))
            return failAndClean(error, "cannot move the unpacked bank into the cache", staging);
    }
    removeAll(staging);
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
