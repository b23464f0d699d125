#include "banks/bank_files.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <stdexcept>

#include "platform/sha256.h"

namespace velmo {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes)
{
    // A directory would "open" and size absurdly, a FIFO would block the caller forever.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return false;
    const long size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) return false;
    // Appended through a small buffer rather than zero-filled first: one pass over the memory.
    bytes.clear();
    try {
        bytes.reserve(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    const auto total = static_cast<std::size_t>(size);
    std::uint8_t buffer[1 << 16];
    while (bytes.size() < total) {
        const std::size_t want = std::min(sizeof buffer, total - bytes.size());
        const std::size_t got = std::fread(buffer, 1, want, file.get());
        if (got == 0) return false;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return true;
}

std::string joinPath(std::string_view base, std::string_view relative)
{
    if (base.empty() || (!relative.empty() && relative.front() == '/')) return std::string(relative);
    if (relative.empty()) return std::string(base);
    std::string joined(base);
    if (joined.back() != '/') joined += '/';
    joined += relative;
    return joined;
}

bool pathIsContained(std::string_view path)
{
    if (path.empty() || path.front() == '/' || path.find('\\') != std::string_view::npos)
        return false;
    std::size_t begin = 0;
    while (begin <= path.size()) {
        std::size_t end = path.find('/', begin);
        if (end == std::string_view::npos) end = path.size();
        if (path.substr(begin, end - begin) == "..") return false;
        begin = end + 1;
    }
    return true;
}

std::string sha256Hex(const std::uint8_t* bytes, std::size_t count)
{
    return sha256HexDigest(bytes, count);
}

std::uint32_t triggerCode(std::string_view text)
{
    if (text == "release") return 1;
    if (text == "legato") return 2;
    return 0;
}

}  // namespace velmo
