#include "lv2/ui/idle_run_loop.h"

#include <poll.h>

#include <algorithm>

namespace velmo::lv2 {

std::uint64_t IdleRunLoop::addFdHandler(int fd, RunLoopCallback callback, void* context) {
    if (fd < 0 || callback == nullptr) return 0;
    handlers_.push_back({++nextId_, fd, callback, context});
    return nextId_;
}

void IdleRunLoop::removeFdHandler(std::uint64_t handler) {
    std::erase_if(handlers_, [handler](const Handler& h) { return h.id == handler; });
}

std::size_t IdleRunLoop::pump() {
    std::vector<pollfd> fds;
    fds.reserve(handlers_.size());
    for (const Handler& h : handlers_) fds.push_back({h.fd, POLLIN, 0});
    if (fds.empty() || ::poll(fds.data(), fds.size(), 0) <= 0) return 0;
    // A handler may remove handlers (its own among them): call by id, from a copy.
    const std::vector<Handler> polled = handlers_;
    std::size_t called = 0;
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].revents == 0) continue;
        const auto live = std::find_if(handlers_.begin(), handlers_.end(),
                                       [&](const Handler& h) { return h.id == polled[i].id; });
        if (live == handlers_.end()) continue;
        const Handler handler = *live;
        handler.callback(handler.context);
        ++called;
    }
    return called;
}

}  // namespace velmo::lv2
