#include "platform/zip_unpack.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

namespace velmo {
namespace {

using Reader = std::unique_ptr<archive, decltype(&archive_read_free)>;

// The entry's name as relative components, "." and empty ones dropped. False for names that
// could leave the destination.
bool safeComponents(const char* name, std::vector<std::string>& parts)
{
    parts.clear();
    if (name == nullptr || name[0] == '/') return false;
    std::string text = name;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        std::size_t end = text.find('/', begin);
        if (end == std::string::npos) end = text.size();
        const std::string part = text.substr(begin, end - begin);
        if (part == "..") return false;
        if (!part.empty() && part != ".") parts.push_back(part);
        begin = end + 1;
    }
    return true;
}

// Makes each folder of parts[0..count) under root; refuses to pass through anything else.
bool makeFolders(const std::string& root, const std::vector<std::string>& parts, std::size_t count)
{
    std::string path = root;
    for (std::size_t i = 0; i < count; ++i) {
        path += "/" + parts[i];
        if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return false;
        struct stat st{};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    }
    return true;
}

bool writeEntry(archive* reader, const std::string& path, const UnpackLimits& limits, std::uint64_t& total,
                std::string& reason)
{
    // A new file, never an old one rewritten in place: an entry may share its name with a file
    // already there (the archive being read, or an earlier entry).
    ::unlink(path.c_str());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        reason = "cannot create " + path;
        return false;
    }
    bool ok = true;
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    for (;;) {
        const int r = archive_read_data_block(reader, &block, &size, &offset);
        if (r == ARCHIVE_EOF) break;
        if (r != ARCHIVE_OK) {
            reason = archive_error_string(reader) != nullptr ? archive_error_string(reader) : "damaged entry";
            ok = false;
            break;
        }
        if (limits.cancel != nullptr && limits.cancel->load(std::memory_order_relaxed)) {
            reason = "cancelled";
            ok = false;
            break;
        }
        total += size;
        if (total > limits.maxBytes) {
            reason = "unpacks to more than " + std::to_string(limits.maxBytes) + " bytes";
            ok = false;
            break;
        }
        // Sparse data arrives with an offset; the file is written in place.
        const auto* p = static_cast<const char*>(block);
        for (size_t left = size; left > 0;) {
            const ssize_t n = ::pwrite(fd, p, left, offset);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                reason = "cannot write " + path;
                ok = false;
                break;
            }
            p += n;
            offset += n;
            left -= static_cast<size_t>(n);
        }
        if (!ok) break;
    }
    return ::close(fd) == 0 && ok;
}

}  // namespace

bool unpackZip(const std::string& archivePath, const std::string& destination, const UnpackLimits& limits,
               std::string& reason)
{
    reason.clear();
    Reader reader(archive_read_new(), archive_read_free);
    if (!reader) {
        reason = "cannot start the unpacker";
        return false;
    }
    archive_read_support_format_zip(reader.get());
    if (archive_read_open_filename(reader.get(), archivePath.c_str(), 1 << 16) != ARCHIVE_OK) {
        reason = archive_error_string(reader.get()) != nullptr ? archive_error_string(reader.get()) : "unreadable";
        return false;
    }
    std::uint64_t entries = 0;
    std::uint64_t total = 0;
    std::vector<std::string> parts;
    for (;;) {
        archive_entry* entry = nullptr;
        const int r = archive_read_next_header(reader.get(), &entry);
        if (r == ARCHIVE_EOF) return true;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
            reason = archive_error_string(reader.get()) != nullptr ? archive_error_string(reader.get())
                                                                   : "damaged archive";
            return false;
        }
        if (++entries > limits.maxEntries) {
            reason = "more than " + std::to_string(limits.maxEntries) + " entries";
            return false;
        }
        const char* name = archive_entry_pathname(entry);
        if (!safeComponents(name, parts)) {
            reason = std::string("entry name leaves the folder: ") + (name != nullptr ? name : "(none)");
            return false;
        }
        const mode_t type = archive_entry_filetype(entry);
        if (archive_entry_hardlink(entry) != nullptr || (type != AE_IFREG && type != AE_IFDIR)) {
            reason = std::string("entry is not a plain file or folder: ") + name;
            return false;
        }
        // Resource forks a Mac adds to its zips are not part of the bank.
        if (parts.empty() || parts.front() == "__MACOSX") continue;
        if (type == AE_IFDIR) {
            if (!makeFolders(destination, parts, parts.size())) {
                reason = std::string("cannot create folder ") + name;
                return false;
            }
            continue;
        }
        if (!makeFolders(destination, parts, parts.size() - 1)) {
            reason = std::string("cannot create the folder of ") + name;
            return false;
        }
        std::string path = destination;
        for (const auto& part : parts) path += "/" + part;
        if (!writeEntry(reader.get(), path, limits, total, reason)) return false;
    }
}

}  // namespace velmo
