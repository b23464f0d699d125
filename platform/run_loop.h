#pragma once
// Repeating timers on the thread's run loop, the way the plug-in's clocks need them: the host's
// own loop where it offers one, a manual loop that tools and tests drive otherwise. There is no
// thread of our own: a timer fires only on the thread of the loop it was scheduled on.
#include <cstdint>
#include <memory>

namespace velmo {

using RunLoopCallback = void (*)(void* context);

inline constexpr double kDefaultTimerIntervalSeconds = 1.0 / 30.0;

class RunLoop {
public:
    virtual ~RunLoop() = default;
    // Calls callback(context) every intervalMs on the loop's thread until removed. Returns the
    // timer's id, or 0 when the loop refuses it.
    virtual std::uint64_t addTimer(double intervalMs, RunLoopCallback callback, void* context) = 0;
    virtual void removeTimer(std::uint64_t timer) = 0;
    // Calls callback(context) on the loop's thread whenever `fd` has input or was closed, until
    // removed. Returns the handler's id, or 0 when the loop watches no descriptors.
    virtual std::uint64_t addFdHandler(int /*fd*/, RunLoopCallback /*callback*/, void* /*context*/) {
        return 0;
    }
    virtual void removeFdHandler(std::uint64_t /*handler*/) {}
};

// One scheduled timer; removed from its loop when destroyed. Keeps its loop alive.
class RepeatingTimer {
public:
    RepeatingTimer(std::shared_ptr<RunLoop> loop, std::uint64_t id);
    ~RepeatingTimer();
    RepeatingTimer(const RepeatingTimer&) = delete;
    RepeatingTimer& operator=(const RepeatingTimer&) = delete;

    const std::shared_ptr<RunLoop>& loop() const { return loop_; }

private:
    std::shared_ptr<RunLoop> loop_;
    std::uint64_t id_;
};

// One watched descriptor; the handler goes when this is destroyed. Keeps its loop alive.
class FdWatch {
public:
    FdWatch(std::shared_ptr<RunLoop> loop, std::uint64_t id);
    ~FdWatch();
    FdWatch(const FdWatch&) = delete;
    FdWatch& operator=(const FdWatch&) = delete;

private:
    std::shared_ptr<RunLoop> loop_;
    std::uint64_t id_;
};

// Null for a null callback or loop, a negative descriptor, or when the loop refuses.
std::unique_ptr<FdWatch> watchFd(const std::shared_ptr<RunLoop>& loop, int fd, RunLoopCallback callback,
                                 void* context);

// The loop of the calling thread: the innermost ScopedCurrentRunLoop, else the host's loop last
// noted on this thread while it is alive, else none.
std::shared_ptr<RunLoop> currentRunLoop();

// Remembers (weakly) a loop the host offered, as the calling thread's loop when no scope names
// one. One such loop per process: the host's UI thread is the only one that has one.
void noteHostRunLoop(const std::shared_ptr<RunLoop>& loop);

// Makes `loop` the calling thread's current loop for the lifetime of the scope.
class ScopedCurrentRunLoop {
public:
    explicit ScopedCurrentRunLoop(std::shared_ptr<RunLoop> loop);
    ~ScopedCurrentRunLoop();
    ScopedCurrentRunLoop(const ScopedCurrentRunLoop&) = delete;
    ScopedCurrentRunLoop& operator=(const ScopedCurrentRunLoop&) = delete;

    const std::shared_ptr<RunLoop>& loop() const { return loop_; }

private:
    std::shared_ptr<RunLoop> loop_;
    ScopedCurrentRunLoop* outer_;
};

// Schedules on `loop` (or the current loop). An interval of 0 or less, or not finite, becomes
// 1/30 s. Null for a null callback, without a loop, or when the loop refuses.
std::unique_ptr<RepeatingTimer> scheduleRepeatingTimer(double intervalSeconds, RunLoopCallback callback,
                                                       void* context);
std::unique_ptr<RepeatingTimer> scheduleRepeatingTimer(const std::shared_ptr<RunLoop>& loop,
                                                       double intervalSeconds, RunLoopCallback callback,
                                                       void* context);

}  // namespace velmo
