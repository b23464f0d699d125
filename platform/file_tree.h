#pragma once
// Folder and file operations the bank cache needs. Never follows a symbolic link it removes.
#include <cstddef>
#include <string>
#include <vector>

namespace velmo {

bool isDirectory(const std::string& path);
bool pathExists(const std::string& path);  // anything, a dangling link included
// Creates the folder and any missing parents; true when it is a folder afterwards.
bool createDirectories(const std::string& path);
// Creates exactly this folder; false when anything is already there.
bool createNewDirectory(const std::string& path);
// Names in a folder, without "." and "..", in no particular order. False when unreadable.
bool listDirectory(const std::string& path, std::vector<std::string>& names);
// Removes a file, link or whole folder tree; true when nothing is left at path.
bool removeAll(const std::string& path);
// Seconds since the entry itself (never a link's target) last changed; false when it is not there.
bool secondsSinceModified(const std::string& path, double& seconds);
// rename(2): atomic within one file system.
bool renamePath(const std::string& from, const std::string& to);
// Writes a temporary file next to path, flushes it, and renames it over path.
bool writeFileAtomically(const std::string& path, const void* data, std::size_t count);

}  // namespace velmo
