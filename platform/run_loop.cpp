#include "platform/run_loop.h"

#include <cmath>

namespace velmo {
namespace {

thread_local std::shared_ptr<RunLoop> scopedLoop;
thread_local std::weak_ptr<RunLoop> hostLoop;

}  // namespace

RepeatingTimer::RepeatingTimer(std::shared_ptr<RunLoop> loop, std::uint64_t id)
    : loop_(std::move(loop)), id_(id) {}

RepeatingTimer::~RepeatingTimer() {
    if (loop_ != nullptr && id_ != 0) loop_->removeTimer(id_);
}

std::shared_ptr<RunLoop> currentRunLoop() {
    if (scopedLoop != nullptr) return scopedLoop;
    return hostLoop.lock();
}

void noteHostRunLoop(const std::shared_ptr<RunLoop>& loop) { hostLoop = loop; }

ScopedCurrentRunLoop::ScopedCurrentRunLoop(std::shared_ptr<RunLoop> loop)
    : previous_(std::move(scopedLoop)) {
    scopedLoop = std::move(loop);
}

ScopedCurrentRunLoop::~ScopedCurrentRunLoop() { scopedLoop = std::move(previous_); }

std::unique_ptr<RepeatingTimer> scheduleRepeatingTimer(double intervalSeconds, RunLoopCallback callback,
                                                       void* context) {
    return scheduleRepeatingTimer(currentRunLoop(), intervalSeconds, callback, context);
}

std::unique_ptr<RepeatingTimer> scheduleRepeatingTimer(const std::shared_ptr<RunLoop>& loop,
                                                       double intervalSeconds, RunLoopCallback callback,
                                                       void* context) {
    if (callback == nullptr || loop == nullptr) return nullptr;
    if (!(intervalSeconds > 0.0) || !std::isfinite(intervalSeconds))
        intervalSeconds = kDefaultTimerIntervalSeconds;
    const std::uint64_t id = loop->addTimer(intervalSeconds * 1000.0, callback, context);
    if (id == 0) return nullptr;
    return std::make_unique<RepeatingTimer>(loop, id);
}

}  // namespace velmo
