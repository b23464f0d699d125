#include "platform/run_loop_manual.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

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

std::uint64_t ManualRunLoop::addFdHandler(int fd, RunLoopCallback callback, void* context) {
    if (!onOwnThread() || callback == nullptr || fd < 0) return 0;
    fdHandlers_.push_back({++nextId_, fd, callback, context});
    return nextId_;
}

void ManualRunLoop::removeFdHandler(std::uint64_t handler) {
    if (!onOwnThread()) return;
    std::erase_if(fdHandlers_, [handler](const FdHandler& h) { return h.id == handler; });
}

std::size_t ManualRunLoop::pollFds(double timeoutMs) {
    std::vector<pollfd> fds;
    std::vector<std::uint64_t> ids;
    for (const FdHandler& h : fdHandlers_) {
        fds.push_back({h.fd, POLLIN, 0});
        ids.push_back(h.id);
    }
    const int timeout = static_cast<int>(std::ceil(std::clamp(timeoutMs, 0.0, 60000.0)));
    if (::poll(fds.data(), fds.size(), timeout) <= 0) return 0;
    std::size_t fired = 0;
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].revents == 0) continue;
        // A handler may have removed this one (or others) already.
        const auto it = std::find_if(fdHandlers_.begin(), fdHandlers_.end(),
                                     [&](const FdHandler& h) { return h.id == ids[i]; });
        if (it == fdHandlers_.end()) continue;
        const RunLoopCallback callback = it->callback;
        void* const context = it->context;
        ++fired;
        callback(context);
    }
    return fired;
}

std::size_t ManualRunLoop::runFor(double ms) {
    if (!onOwnThread() || advancing_ || !(ms >= 0.0) || !std::isfinite(ms)) return 0;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const double startMs = nowMs_;
    std::size_t fired = 0;
    for (;;) {
        const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        fired += advance(std::max(0.0, std::min(startMs + elapsed, startMs + ms) - nowMs_));
        if (elapsed >= ms) break;
        double wait = ms - elapsed;
        for (const Timer& t : timers_) wait = std::min(wait, std::max(0.0, t.dueMs() - nowMs_));
        fired += pollFds(wait);
    }
    return fired;
}

}  // namespace velmo
