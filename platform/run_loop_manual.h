#pragma once
// A run loop with a clock of its own that the owner moves forward: tools and tests use it where
// a host would run its loop. Bound to the thread that created it: timers and descriptor
// handlers are added and fire only there.
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/run_loop.h"

namespace velmo {

class ManualRunLoop : public RunLoop {
public:
    ManualRunLoop();

    // 0 when called from another thread than the loop's, or for an interval that is not a
    // positive finite number.
    std::uint64_t addTimer(double intervalMs, RunLoopCallback callback, void* context) override;
    void removeTimer(std::uint64_t timer) override;

    // Moves the clock forward by `ms`, firing each timer whenever its time comes, in time
    // order (a timer added or removed by a callback takes effect at once). Returns the number of
    // firings; fires nothing when called from another thread or from inside a callback.
    std::size_t advance(double ms);

    std::uint64_t addFdHandler(int fd, RunLoopCallback callback, void* context) override;
    void removeFdHandler(std::uint64_t handler) override;

    // Runs as a host's loop does for `ms` of wall-clock time: waits on the watched descriptors,
    // calls the handlers of those with input, and moves the clock with real time so timers fire
    // when due. Returns the number of calls made.
    std::size_t runFor(double ms);

    double nowMs() const { return nowMs_; }
    std::size_t timerCount() const { return timers_.size(); }
    std::size_t fdHandlerCount() const { return fdHandlers_.size(); }

private:
    struct Timer {
        std::uint64_t id;
        double intervalMs;
        double startMs;
        std::uint64_t firings;  // due at startMs + (firings + 1) * intervalMs
        double dueMs() const { return startMs + static_cast<double>(firings + 1) * intervalMs; }
        RunLoopCallback callback;
        void* context;
    };

    struct FdHandler {
        std::uint64_t id;
        int fd;
        RunLoopCallback callback;
        void* context;
    };

    std::size_t pollFds(double timeoutMs);
    bool onOwnThread() const { return std::this_thread::get_id() == thread_; }

    std::thread::id thread_;
    std::vector<Timer> timers_;
    std::vector<FdHandler> fdHandlers_;
    std::uint64_t nextId_ = 0;
    double nowMs_ = 0.0;
    bool advancing_ = false;
};

}  // namespace velmo
