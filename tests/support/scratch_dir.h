#pragma once
// File helpers the tests and benchmarks share: a scratch folder removed with its object, and a
// whole file read into a string.
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace velmo::test {

// The file's bytes; empty when it cannot be read.
inline std::string readTextFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A fresh folder under the temporary directory, unique to this process and object.
class ScratchDir {
public:
    ScratchDir()
    {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("zuriz-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string path() const { return path_.string(); }
    // The path of `relative` inside the folder.
    std::string file(const std::string& relative) const { return (path_ / relative).string(); }

    // Writes `relative` (creating its folders), replacing what was there.
    void write(const std::string& relative, const std::vector<std::uint8_t>& bytes) const
    {
        const auto file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void write(const std::string& relative, const std::string& text) const
    {
        write(relative, std::vector<std::uint8_t>(text.begin(), text.end()));
    }

private:
    std::filesystem::path path_;
};

}  // namespace velmo::test
