#include "tools/host/xvfb_server.h"

#include <poll.h>
#include <unistd.h>

#include <cstdlib>

namespace velmo::host {

std::unique_ptr<XvfbServer> XvfbServer::start(std::string* error) {
    const char* program = "/usr/bin/Xvfb";
    int fds[2];
    if (::pipe(fds) != 0) {
        *error = "pipe failed";
        return nullptr;
    }
    std::unique_ptr<XvfbServer> display(new XvfbServer);
    // The server writes its display number to descriptor 3 once it accepts clients.
    display->server_ = ChildProcess::spawn(
        program, {"-displayfd", "3", "-screen", "0", "1400x1100x24", "-nolisten", "tcp", "-noreset"}, fds[1], error);
    ::close(fds[1]);
    if (display->server_ == nullptr) {
        ::close(fds[0]);
        return nullptr;
    }
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (::poll(&p, 1, 5000) > 0) {
        char c = 0;
        if (::read(fds[0], &c, 1) != 1 || c == '\n') break;
        number.push_back(c);
    }
    ::close(fds[0]);
    if (number.empty()) {
        *error = "Xvfb gave no display number within 5 s";
        return nullptr;
    }
    const std::string name = ":" + number;
    ::setenv("DISPLAY", name.c_str(), 1);
    return display;
}

XvfbServer::~XvfbServer() = default;

}  // namespace velmo::host
