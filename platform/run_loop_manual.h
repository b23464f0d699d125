#pragma once
// A run loop with a clock of its own that the owner moves forward: tools and tests use it where
// a host would run its loop. Bound to the thread that created it: timers are added and fire
// only there.
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

    double nowMs() const { return nowMs_; }
    std::size_t timerCount() const { return timers_.size(); }

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

    bool onOwnThread() const { return std::this_thread::get_id() == thread_; }

    std::thread::id thread_;
    std::vector<Timer> timers_;
    std::uint64_t nextId_ = 0;
    double nowMs_ = 0.0;
    bool advancing_ = false;
};

}  // namespace velmo
