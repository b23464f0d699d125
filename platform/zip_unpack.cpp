#include "platform/zip_unpack.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <unordered_set>
#include <vector>

namespace velmo {
namespace {

using Reader = std::unique_ptr<archive, decltype(&archive_read_free)>;
using Clock = std::chrono::steady_clock;

std::string secondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", seconds);
    return text;
}

// One unpack: the limits, what has been counted so far, and the folders known to exist.
class Unpacker {
public:
    Unpacker(archive* reader, const std::string& destination, const UnpackLimits& limits)
        : reader_(reader), destination_(destination), limits_(limits), start_(Clock::now())
    {
    }

    UnpackOutcome run(std::string& reason);

private:
    // Cancellation and the time limit, looked at before each entry and each data block.
    bool carryOn()
    {
        if (limits_.cancel != nullptr && limits_.cancel->load(std::memory_order_relaxed))
            return stop(UnpackOutcome::Cancelled, "was cancelled");
        const std::chrono::duration<double> spent = Clock::now() - start_;
        if (spent.count() > limits_.maxSeconds)
            return stop(UnpackOutcome::OverLimit, "takes longer than " + secondsText(limits_.maxSeconds) +
                                                      " seconds to unpack");
        return true;
    }

    bool stop(UnpackOutcome outcome, std::string reason)
    {
        outcome_ = outcome;
        reason_ = std::move(reason);
        return false;
    }

    bool refuse(std::string reason) { return stop(UnpackOutcome::Refused, std::move(reason)); }

    bool count(std::uint64_t bytes)
    {
        total_ += bytes;
        if (total_ <= limits_.maxBytes) return true;
        return stop(UnpackOutcome::OverLimit, "unpacks to more than " + std::to_string(limits_.maxBytes) + " bytes");
    }

    bool entry(archive_entry* header);
    bool splitName(const char* name);
    bool makeFolders(std::size_t levels);
    bool writeFile(const std::string& path);

    archive* reader_;
    const std::string& destination_;
    const UnpackLimits& limits_;
    const Clock::time_point start_;
    UnpackOutcome outcome_ = UnpackOutcome::Done;
    std::string reason_;
    std::uint64_t entries_ = 0;
    std::uint64_t total_ = 0;
    std::vector<std::string> parts_;
    // Relative paths of the folders made so far: a new entry makes only what is missing, so its
    // cost does not grow with its depth.
    std::unordered_set<std::string> folders_;
};

// The entry's name as relative components, "." and empty ones dropped. Refuses names that could
// leave the destination, and names past the length limit.
bool Unpacker::splitName(const char* name)
{
    parts_.clear();
    if (name == nullptr || name[0] == '/')
        return refuse(std::string("entry name leaves the folder: ") + (name != nullptr ? name : "(none)"));
    const std::string text = name;
    std::size_t begin = 0;
    std::size_t length = 0;
    while (begin <= text.size()) {
        std::size_t end = text.find('/', begin);
        if (end == std::string::npos) end = text.size();
        std::string part = text.substr(begin, end - begin);
        if (part == "..") return refuse("entry name leaves the folder: " + text);
        if (!part.empty() && part != ".") {
            length += part.size() + 1;
            parts_.push_back(std::move(part));
        }
        begin = end + 1;
    }
    if (length > limits_.maxNameBytes)
        return stop(UnpackOutcome::OverLimit,
                    "holds an entry name longer than " + std::to_string(limits_.maxNameBytes) + " bytes");
    return true;
}

// Makes each folder of parts_[0..levels) that is not known yet, counting each new one.
bool Unpacker::makeFolders(std::size_t levels)
{
    if (levels > limits_.maxDepth)
        return stop(UnpackOutcome::OverLimit,
                    "nests folders deeper than " + std::to_string(limits_.maxDepth) + " levels");
    std::string relative;
    std::size_t known = levels;
    // Looked up from the deepest: usually the parent is known, so one lookup.
    std::vector<std::size_t> ends;
    ends.reserve(levels);
    for (std::size_t i = 0; i < levels; ++i) {
        relative += (i == 0 ? "" : "/") + parts_[i];
        ends.push_back(relative.size());
    }
    while (known > 0 && folders_.count(relative.substr(0, ends[known - 1])) == 0) --known;
    for (std::size_t i = known; i < levels; ++i) {
        const std::string made = relative.substr(0, ends[i]);
        const std::string path = destination_ + "/" + made;
        if (::mkdir(path.c_str(), 0755) != 0) {
            // Only an earlier entry of this archive can be there; it must be a folder, not a file.
            struct stat st{};
            if (errno != EEXIST || ::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
                return refuse("cannot create folder " + made);
        } else if (!count(kUnpackFolderBytes)) {
            return false;
        }
        folders_.insert(made);
    }
    return true;
}

bool Unpacker::writeFile(const std::string& path)
{
    // A new file, never an old one rewritten in place: an entry may share its name with a file
    // already there (the archive being read, or an earlier entry).
    ::unlink(path.c_str());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return refuse("cannot create " + path);
    bool ok = true;
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    while (ok) {
        const int r = archive_read_data_block(reader_, &block, &size, &offset);
        if (r == ARCHIVE_EOF) break;
        if (r != ARCHIVE_OK) {
            ok = refuse(archive_error_string(reader_) != nullptr ? archive_error_string(reader_) : "damaged entry");
            break;
        }
        ok = carryOn() && count(size);
        // Sparse data arrives with an offset; the file is written in place.
        const auto* p = static_cast<const char*>(block);
        for (size_t left = size; ok && left > 0;) {
            const ssize_t n = ::pwrite(fd, p, left, offset);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ok = refuse("cannot write " + path);
                break;
            }
            p += n;
            offset += n;
            left -= static_cast<size_t>(n);
        }
    }
    if (::close(fd) != 0 && ok) ok = refuse("cannot write " + path);
    return ok;
}

bool Unpacker::entry(archive_entry* header)
{
    if (++entries_ > limits_.maxEntries)
        return stop(UnpackOutcome::OverLimit, "holds more than " + std::to_string(limits_.maxEntries) + " entries");
    const char* name = archive_entry_pathname(header);
    if (!splitName(name)) return false;
    const mode_t type = archive_entry_filetype(header);
    if (archive_entry_hardlink(header) != nullptr || (type != AE_IFREG && type != AE_IFDIR))
        return refuse(std::string("entry is not a plain file or folder: ") + name);
    // Resource forks a Mac adds to its zips are not part of the bank.
    if (parts_.empty() || parts_.front() == "__MACOSX") return true;
    if (type == AE_IFDIR) return makeFolders(parts_.size());
    if (!makeFolders(parts_.size() - 1)) return false;
    std::string path = destination_;
    for (const auto& part : parts_) path += "/" + part;
    return writeFile(path);
}

UnpackOutcome Unpacker::run(std::string& reason)
{
    for (;;) {
        if (!carryOn()) break;
        archive_entry* header = nullptr;
        const int r = archive_read_next_header(reader_, &header);
        if (r == ARCHIVE_EOF) break;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
            refuse(archive_error_string(reader_) != nullptr ? archive_error_string(reader_) : "damaged archive");
            break;
        }
        if (!entry(header)) break;
    }
    reason = reason_;
    return outcome_;
}

}  // namespace

UnpackOutcome unpackZip(const std::string& archivePath, const std::string& destination, const UnpackLimits& limits,
                        std::string& reason)
{
    reason.clear();
    Reader reader(archive_read_new(), archive_read_free);
    if (!reader) {
        reason = "cannot start the unpacker";
        return UnpackOutcome::Refused;
    }
    archive_read_support_format_zip(reader.get());
    if (archive_read_open_filename(reader.get(), archivePath.c_str(), 1 << 16) != ARCHIVE_OK) {
        reason = archive_error_string(reader.get()) != nullptr ? archive_error_string(reader.get()) : "unreadable";
        return UnpackOutcome::Refused;
    }
    return Unpacker(reader.get(), destination, limits).run(reason);
}

}  // namespace velmo
