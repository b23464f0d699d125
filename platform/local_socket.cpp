#include "platform/local_socket.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velmo {

namespace {
constexpr int SEND_BUFFER_BYTES = 1 << 20;
constexpr std::size_t READ_CHUNK = 64 * 1024;
}  // namespace

LocalSocket::~LocalSocket() { close(); }

bool LocalSocket::openPair(int* peer, std::string* error) {
    close();
    int fds[2] = {-1, -1};
    if (peer == nullptr || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        if (error != nullptr) *error = std::string("socketpair: ") + std::strerror(errno);
        return false;
    }
    const int flags = ::fcntl(fds[0], F_GETFL);
    ::fcntl(fds[0], F_SETFL, flags | O_NONBLOCK);
    const int size = SEND_BUFFER_BYTES;
    ::setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    fd_ = fds[0];
    *peer = fds[1];
    return true;
}

LocalSocket::ReadResult LocalSocket::readAvailable(std::string& into) {
    if (fd_ < 0) return ReadResult::Closed;
    bool got = false;
    char buffer[READ_CHUNK];
    for (;;) {
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            into.append(buffer, static_cast<std::size_t>(n));
            got = true;
            continue;
        }
        if (n == 0) return ReadResult::Closed;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return got ? ReadResult::Data : ReadResult::Nothing;
        return ReadResult::Closed;
    }
}

long LocalSocket::writeSome(const char* data, std::size_t size) {
    if (fd_ < 0) return -1;
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::send(fd_, data + written, size - written, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        return -1;
    }
    return static_cast<long>(written);
}

void LocalSocket::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void closeDescriptor(int fd) {
    if (fd >= 0) ::close(fd);
}

}  // namespace velmo
