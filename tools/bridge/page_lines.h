#pragma once
// The line protocol of the bridge: input bytes split into lines (one page message each), and
// each page document written as exactly one line.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace velmo::bridge {

class LineSplitter {
public:
    using LineHandler = std::function<void(std::string_view line)>;

    // Lines longer than this are dropped whole (with a note on standard error).
    static constexpr std::size_t kMaxLine = 64u << 20;

    // Calls onLine for each complete line in the bytes (without "\n" or a trailing "\r").
    void feed(const char* bytes, std::size_t size, const LineHandler& onLine);
    // At the end of input: the last line, when it had no line feed.
    void finish(const LineHandler& onLine);

private:
    void emit(const LineHandler& onLine);

    std::string pending_;
    bool overlong_ = false;
};

// The document as one line: a raw line feed or carriage return inside a JSON string becomes
// its escape, one outside strings (where it is whitespace) a space.
std::string asOneLine(std::string_view document);

}  // namespace velmo::bridge
