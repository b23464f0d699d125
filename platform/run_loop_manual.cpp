#include "platform/run_loop_manual.h"

#include <algorithm>
#include <cmath>

namespace velmo {

namespace {
constexpr double DUE_TOLERANCE_MS = 1e-6;
}  // namespace

ManualRunLoop::ManualRunLoop() : thread_(std::this_thread::get_id()) {}

std::uint64_t ManualRunLoop::addTimer(double intervalMs, RunLoopCallback callback, void* context) {
    if (!onOwnThread() || callback == nullptr || !(intervalMs > 0.0) || !std::isfinite(intervalMs))
        return 0;
    timers_.push_back({++nextId_, intervalMs, nowMs_, 0, callback, context});
    return nextId_;
}

void ManualRunLoop::removeTimer(std::uint64_t timer) {
    if (!onOwnThread()) return;
    std::erase_if(timers_, [timer](const Timer& t) { return t.id == timer; });
}

std::size_t ManualRunLoop::advance(double ms) {
    if (!onOwnThread() || advancing_ || !(ms >= 0.0) || !std::isfinite(ms)) return 0;
    advancing_ = true;  // a callback that advances the loop again would fire out of order
    const double end = nowMs_ + ms;
    std::size_t fired = 0;
    for (;;) {
        // The earliest due timer (the older one first on a tie); callbacks may change the list,
        // so it is searched again after each firing.
        auto next = std::min_element(timers_.begin(), timers_.end(), [](const Timer& a, const Timer& b) {
            return a.dueMs() < b.dueMs() || (a.dueMs() == b.dueMs() && a.id < b.id);
        });
        // Due times are products, not running sums, and a rounding hair past `end` still counts:
        // thirty 1/30 s ticks fit in one second.
        if (next == timers_.end() || next->dueMs() > end + DUE_TOLERANCE_MS) break;
        nowMs_ = std::max(nowMs_, next->dueMs());
        ++next->firings;
        const RunLoopCallback callback = next->callback;
        void* const context = next->context;
        ++fired;
        callback(context);
    }
    nowMs_ = std::max(nowMs_, end);
    advancing_ = false;
    return fired;
}

}  // namespace velmo
