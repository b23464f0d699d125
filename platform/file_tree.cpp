#include "platform/file_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace velmo {
namespace {

bool writeAll(int fd, const void* data, std::size_t count)
{
    const auto* p = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t n = ::write(fd, p, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

// Removes what is at (dir, name) without following links; true when it is gone.
bool removeAt(int dir, const char* name, const std::function<bool()>* keepGoing)
{
    if (keepGoing != nullptr && !(*keepGoing)()) return false;
    struct stat st{};
    if (::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
    if (!S_ISDIR(st.st_mode)) return ::unlinkat(dir, name, 0) == 0 || errno == ENOENT;
    const int fd = ::openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    DIR* d = ::fdopendir(fd);
    if (d == nullptr) {
        ::close(fd);
        return false;
    }
    bool ok = true;
    while (const dirent* e = ::readdir(d)) {
        const std::string child = e->d_name;
        if (child == "." || child == "..") continue;
        if (!removeAt(::dirfd(d), child.c_str(), keepGoing)) {
            ok = false;
            if (keepGoing != nullptr && !(*keepGoing)()) break;
        }
    }
    ::closedir(d);
    return ok && (::unlinkat(dir, name, AT_REMOVEDIR) == 0 || errno == ENOENT);
}

}  // namespace

bool isDirectory(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isRealDirectory(const std::string& path)
{
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool pathExists(const std::string& path)
{
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0;
}

bool createDirectories(const std::string& path)
{
    if (path.empty()) return false;
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0755);
    ::mkdir(path.c_str(), 0755);
    return isDirectory(path);
}

bool createNewDirectory(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }

bool secondsSinceModified(const std::string& path, double& seconds)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    seconds = static_cast<double>(now.tv_sec - st.st_mtim.tv_sec) +
              static_cast<double>(now.tv_nsec - st.st_mtim.tv_nsec) * 1e-9;
    return true;
}

bool listDirectory(const std::string& path, std::vector<std::string>& names)
{
    names.clear();
    DIR* d = ::opendir(path.c_str());
    if (d == nullptr) return false;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
    return true;
}

bool removeAll(const std::string& path) { return !path.empty() && removeAt(AT_FDCWD, path.c_str(), nullptr); }

bool removeAll(const std::string& path, const std::function<bool()>& keepGoing)
{
    return !path.empty() && removeAt(AT_FDCWD, path.c_str(), &keepGoing);
}

bool renamePath(const std::string& from, const std::string& to)
{
    return ::rename(from.c_str(), to.c_str()) == 0;
}

NewFile::~NewFile() { close(); }

bool NewFile::create(const std::string& path)
{
    close();
    failed_ = false;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    return fd_ >= 0;
}

bool NewFile::write(const void* data, std::size_t count)
{
    failed_ = failed_ || fd_ < 0 || !writeAll(fd_, data, count);
    return !failed_;
}

bool NewFile::close()
{
    if (fd_ < 0) return false;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return closed && !failed_;
}

}  // namespace velmo
