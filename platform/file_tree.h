#pragma once
// Folder and file operations the bank cache needs. Never follows a symbolic link it removes.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace velmo {

bool isDirectory(const std::string& path);
// A folder itself, not a link to one.
bool isRealDirectory(const std::string& path);
bool pathExists(const std::string& path);  // anything, a dangling link included
// Creates the folder and any missing parents; true when it is a folder afterwards.
bool createDirectories(const std::string& path);
// Creates exactly this folder; false when anything is already there.
bool createNewDirectory(const std::string& path);
// Names in a folder, without "." and "..", in no particular order. False when unreadable.
bool listDirectory(const std::string& path, std::vector<std::string>& names);
// Removes a file, link or whole folder tree; true when nothing is left at path.
bool removeAll(const std::string& path);
// The same, asking keepGoing before each entry; stops (false) when it says no.
bool removeAll(const std::string& path, const std::function<bool()>& keepGoing);
// Seconds since the entry itself (never a link's target) last changed; false when it is not there.
bool secondsSinceModified(const std::string& path, double& seconds);
// rename(2): atomic within one file system.
bool renamePath(const std::string& from, const std::string& to);
// A new file written in pieces: never one already there, never through a link.
class NewFile {
public:
    NewFile() = default;
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    bool create(const std::string& path);
    bool write(const void* data, std::size_t count);
    // True when the file was created and every write reached it.
    bool close();

private:
    int fd_ = -1;
    bool failed_ = false;
};

}  // namespace velmo
