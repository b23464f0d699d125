#pragma once
// A descriptor one thread makes readable to wake another (or a run loop watching it), and the
// wait of a thread of ours on a link descriptor and such a signal.
namespace velmo {

class WakeSignal {
public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // Readable from notify() until clear(); safe from any thread.
    int fd() const { return fd_; }
    void notify();
    void clear();

private:
    int fd_ = -1;
};

struct LinkReadiness {
    bool readable = false;  // input, end of stream or an error
    bool writable = false;
};

// Waits until `fd` is readable (or writable, when asked), `wake` is notified, or timeoutMs have
// passed (negative: no limit).
LinkReadiness waitForLink(int fd, bool wantWrite, const WakeSignal& wake, int timeoutMs);

}  // namespace velmo
