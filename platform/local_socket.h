#pragma once
// One end of a local stream socket that never blocks and never raises SIGPIPE: the plug-in's
// end of its link to a helper process.
#include <cstddef>
#include <string>

namespace velmo {

class LocalSocket {
public:
    LocalSocket() = default;
    ~LocalSocket();
    LocalSocket(const LocalSocket&) = delete;
    LocalSocket& operator=(const LocalSocket&) = delete;

    // A connected pair: this object keeps the non-blocking end; *peer receives the other end
    // (blocking, close-on-exec), which the caller hands on and closes. False on failure.
    bool openPair(int* peer, std::string* error = nullptr);

    enum class ReadResult { Data, Nothing, Closed };
    // Appends whatever is available now to `into`. Closed on end of stream or an error.
    ReadResult readAvailable(std::string& into);
    // Writes what the socket takes now; the count written, or -1 when the link is broken.
    long writeSome(const char* data, std::size_t size);

    int fd() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    void close();

private:
    int fd_ = -1;
};

// Closes a descriptor handed out by openPair once it has been passed on.
void closeDescriptor(int fd);

}  // namespace velmo
