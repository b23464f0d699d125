#include "editor/linux/webview/helper_link.h"

#include <sys/socket.h>
#include <time.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace velmo::webview {

bool sendFrame(FrameType type, std::uint32_t view, std::string_view payload) {
    std::string frame;
    if (!appendFrame(frame, type, view, payload)) return false;
    std::size_t written = 0;
    while (written < frame.size()) {
        const ssize_t n = ::send(kLinkFd, frame.data() + written, frame.size() - written, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

void tracePhase(std::string_view phase, std::uint32_t view) {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    char ms[32];
    std::snprintf(ms, sizeof ms, " %.3f", static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6);
    trace("phase", std::string(phase) + ms, view);
}

void trace(const char* what, std::string_view text, std::uint32_t view) {
    static FILE* file = [] {
        const char* path = std::getenv("VELMO_WEBVIEW_TRACE");
        return path != nullptr && *path != '\0' ? std::fopen(path, "ae") : nullptr;
    }();
    if (file == nullptr) return;
    std::fprintf(file, "%s %.*s @%u\n", what, static_cast<int>(text.size()), text.data(), view);
    std::fflush(file);
}

}  // namespace velmo::webview
