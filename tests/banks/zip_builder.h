#pragma once
// Zip archives made in memory for the unpacking tests, hostile ones included.
#include <string>
#include <vector>

namespace velmo::test {

struct ZipEntry {
    enum Kind { File, Folder, Symlink };
    std::string name;
    std::string data;  // a file's bytes, or a link's target
    Kind kind = File;
};

std::string buildZip(const std::vector<ZipEntry>& entries);

}  // namespace velmo::test
