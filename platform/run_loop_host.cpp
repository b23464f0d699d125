#include "platform/run_loop_host.h"

#include <cmath>
#include <map>

#include "platform/ref_counted.h"
#include "pluginterfaces/gui/iplugview.h"

namespace velmo {
namespace {

using namespace Steinberg;

class TimerHandler final : public RefCounted<TimerHandler, Linux::ITimerHandler> {
public:
    TimerHandler(RunLoopCallback callback, void* context) : callback_(callback), context_(context) {}

    void PLUGIN_API onTimer() override { callback_(context_); }

private:
    friend RefCounted;
    ~TimerHandler() = default;

    RunLoopCallback callback_;
    void* context_;
};

class EventHandler final : public RefCounted<EventHandler, Linux::IEventHandler> {
public:
    EventHandler(RunLoopCallback callback, void* context) : callback_(callback), context_(context) {}

    void PLUGIN_API onFDIsSet(Linux::FileDescriptor) override { callback_(context_); }

private:
    friend RefCounted;
    ~EventHandler() = default;

    RunLoopCallback callback_;
    void* context_;
};

class HostRunLoop final : public RunLoop {
public:
    explicit HostRunLoop(Linux::IRunLoop* host) : host_(host) {}  // takes the reference
    ~HostRunLoop() override {
        for (auto& [id, handler] : timers_) {
            host_->unregisterTimer(handler);
            handler->release();
        }
        for (auto& [id, handler] : handlers_) {
            host_->unregisterEventHandler(handler);
            handler->release();
        }
        host_->release();
    }

    std::uint64_t addTimer(double intervalMs, RunLoopCallback callback, void* context) override {
        if (callback == nullptr || !(intervalMs > 0.0) || !std::isfinite(intervalMs)) return 0;
        // The host counts whole milliseconds.
        const auto ms = static_cast<Linux::TimerInterval>(std::max(1.0, std::round(intervalMs)));
        auto* handler = new TimerHandler(callback, context);
        if (host_->registerTimer(handler, ms) != kResultOk) {
            handler->release();
            return 0;
        }
        timers_.emplace(++nextId_, handler);
        return nextId_;
    }

    void removeTimer(std::uint64_t timer) override {
        const auto it = timers_.find(timer);
        if (it == timers_.end()) return;
        Linux::ITimerHandler* handler = it->second;
        timers_.erase(it);
        host_->unregisterTimer(handler);
        handler->release();
    }

    std::uint64_t addFdHandler(int fd, RunLoopCallback callback, void* context) override {
        if (callback == nullptr || fd < 0) return 0;
        auto* handler = new EventHandler(callback, context);
        if (host_->registerEventHandler(handler, fd) != kResultOk) {
            handler->release();
            return 0;
        }
        handlers_.emplace(++nextId_, handler);
        return nextId_;
    }

    void removeFdHandler(std::uint64_t id) override {
        const auto it = handlers_.find(id);
        if (it == handlers_.end()) return;
        Linux::IEventHandler* handler = it->second;
        handlers_.erase(it);
        host_->unregisterEventHandler(handler);
        handler->release();
    }

private:
    Linux::IRunLoop* host_;
    std::map<std::uint64_t, Linux::ITimerHandler*> timers_;
    std::map<std::uint64_t, Linux::IEventHandler*> handlers_;
    std::uint64_t nextId_ = 0;
};

}  // namespace

std::shared_ptr<RunLoop> hostRunLoopFrom(FUnknown* hostObject) {
    if (hostObject == nullptr) return nullptr;
    Linux::IRunLoop* loop = nullptr;
    if (hostObject->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&loop)) != kResultOk ||
        loop == nullptr)
        return nullptr;
    return std::make_shared<HostRunLoop>(loop);
}

}  // namespace velmo
