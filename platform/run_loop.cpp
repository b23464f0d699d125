#include "platform/run_loop.h"

#include <cmath>
#include <mutex>
#include <thread>

namespace velmo {
namespace {

// Thread-local state stays trivial: a thread_local with a destructor would pin the plug-in's
// module in memory after the host unloads it.
thread_local ScopedCurrentRunLoop* innermostScope = nullptr;

struct NotedHostLoop {
    std::mutex mutex;
    std::weak_ptr<RunLoop> loop;
    std::thread::id thread;
};

NotedHostLoop& notedHostLoop() {
    static NotedHostLoop noted;
    return noted;
}

}  // namespace

RepeatingTimer::RepeatingTimer(std::shared_ptr<RunLoop> loop, std::uint64_t id)
    : loop_(std::move(loop)), id_(id) {}

RepeatingTimer::~RepeatingTimer() {
    if (loop_ != nullptr && id_ != 0) loop_->removeTimer(id_);
}

FdWatch::FdWatch(std::shared_ptr<RunLoop> loop, std::uint64_t id) : loop_(std::move(loop)), id_(id) {}

FdWatch::~FdWatch() {
    if (loop_ != nullptr && id_ != 0) loop_->removeFdHandler(id_);
}

std::unique_ptr<FdWatch> watchFd(const std::shared_ptr<RunLoop>& loop, int fd, RunLoopCallback callback,
                                 void* context) {
    if (loop == nullptr || callback == nullptr || fd < 0) return nullptr;
    const std::uint64_t id = loop->addFdHandler(fd, callback, context);
    if (id == 0) return nullptr;
    return std::make_unique<FdWatch>(loop, id);
}

std::shared_ptr<RunLoop> currentRunLoop() {
    if (innermostScope != nullptr) return innermostScope->loop();
    NotedHostLoop& noted = notedHostLoop();
    const std::lock_guard<std::mutex> lock(noted.mutex);
    if (noted.thread != std::this_thread::get_id()) return nullptr;
    return noted.loop.lock();
}

void noteHostRunLoop(const std::shared_ptr<RunLoop>& loop) {
    NotedHostLoop& noted = notedHostLoop();
    const std::lock_guard<std::mutex> lock(noted.mutex);
    noted.loop = loop;
    noted.thread = std::this_thread::get_id();
}

ScopedCurrentRunLoop::ScopedCurrentRunLoop(std::shared_ptr<RunLoop> loop)
    : loop_(std::move(loop)), outer_(innermostScope) {
    innermostScope = this;
}

ScopedCurrentRunLoop::~ScopedCurrentRunLoop() { innermostScope = outer_; }

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
