#include "platform/wake_signal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace velmo {

WakeSignal::WakeSignal() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

WakeSignal::~WakeSignal() {
    if (fd_ >= 0) ::close(fd_);
}

void WakeSignal::notify() {
    const std::uint64_t one = 1;
    if (fd_ >= 0) (void)!::write(fd_, &one, sizeof one);
}

void WakeSignal::clear() {
    std::uint64_t count = 0;
    if (fd_ >= 0) (void)!::read(fd_, &count, sizeof count);
}

LinkReadiness waitForLink(int fd, bool wantWrite, const WakeSignal& wake, int timeoutMs) {
    pollfd fds[2] = {{fd, static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0)), 0}, {wake.fd(), POLLIN, 0}};
    LinkReadiness ready;
    int n = 0;
    do n = ::poll(fds, 2, timeoutMs);
    while (n < 0 && errno == EINTR);
    if (n <= 0) return ready;
    ready.readable = (fds[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
    ready.writable = (fds[0].revents & POLLOUT) != 0;
    return ready;
}

}  // namespace velmo
