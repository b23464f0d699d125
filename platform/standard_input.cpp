#include "platform/standard_input.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace velmo {

InputRead readStandardInput(char* buffer, std::size_t capacity, int timeoutMs, std::size_t& got) {
    got = 0;
    pollfd entry{STDIN_FILENO, POLLIN, 0};
    const int ready = ::poll(&entry, 1, timeoutMs < 0 ? 0 : timeoutMs);
    if (ready == 0 || (ready < 0 && errno == EINTR)) return InputRead::Timeout;
    if (ready < 0) return InputRead::Failed;
    // POLLHUP with bytes still buffered: read them first; read() says 0 once drained.
    const ssize_t n = ::read(STDIN_FILENO, buffer, capacity);
    if (n > 0) {
        got = static_cast<std::size_t>(n);
        return InputRead::Data;
    }
    if (n == 0) return InputRead::End;
    return errno == EINTR || errno == EAGAIN ? InputRead::Timeout : InputRead::Failed;
}

}  // namespace velmo
