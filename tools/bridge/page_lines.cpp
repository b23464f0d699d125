#include "tools/bridge/page_lines.h"

#include <cstdio>
#include <cstring>

namespace velmo::bridge {

void LineSplitter::emit(const LineHandler& onLine) {
    if (overlong_) {
        std::fprintf(stderr, "zuriz-bridge: dropped an input line longer than %zu bytes\n", kMaxLine);
    } else {
        std::string_view line(pending_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty()) onLine(line);
    }
    pending_.clear();
    overlong_ = false;
}

void LineSplitter::feed(const char* bytes, std::size_t size, const LineHandler& onLine) {
    while (size > 0) {
        const void* found = std::memchr(bytes, '\n', size);
        const std::size_t take = found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - bytes)
                                                  : size;
        if (!overlong_) {
            if (pending_.size() + take > kMaxLine) {
                overlong_ = true;
                pending_.clear();
            } else {
                pending_.append(bytes, take);
            }
        }
        if (found == nullptr) return;
        emit(onLine);
        bytes += take + 1;
        size -= take + 1;
    }
}

void LineSplitter::finish(const LineHandler& onLine) {
    if (!pending_.empty() || overlong_) emit(onLine);
}

std::string asOneLine(std::string_view document) {
    std::string out;
    out.reserve(document.size());
    bool inString = false;
    bool escaped = false;
    for (const char c : document) {
        if (c == '\n' || c == '\r') {
            if (inString) {
                out += c == '\n' ? "\\n" : "\\r";
                escaped = false;
            } else {
                out += ' ';
            }
            continue;
        }
        out += c;
        if (escaped) {
            escaped = false;
        } else if (inString && c == '\\') {
            escaped = true;
        } else if (c == '"') {
            inString = !inString;
        }
    }
    return out;
}

}  // namespace velmo::bridge
