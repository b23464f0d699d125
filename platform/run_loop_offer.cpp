#include "platform/run_loop_offer.h"

#include <atomic>
#include <vector>

#include "pluginterfaces/base/funknown.h"
#include "pluginterfaces/gui/iplugview.h"

namespace velmo {
namespace {

using namespace Steinberg;

class OfferedRunLoop final : public Linux::IRunLoop {
public:
    explicit OfferedRunLoop(std::shared_ptr<RunLoop> loop) : loop_(std::move(loop)) {}

    tresult PLUGIN_API registerEventHandler(Linux::IEventHandler*, Linux::FileDescriptor) override {
        return kNotImplemented;
    }
    tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler*) override { return kNotImplemented; }

    tresult PLUGIN_API registerTimer(Linux::ITimerHandler* handler,
                                     Linux::TimerInterval milliseconds) override {
        if (handler == nullptr || milliseconds == 0) return kInvalidArgument;
        auto entry = std::make_unique<Entry>();
        entry->handler = handler;
        const std::uint64_t id =
            loop_->addTimer(static_cast<double>(milliseconds), &Entry::fire, entry.get());
        if (id == 0) return kResultFalse;
        handler->addRef();
        entry->id = id;
        entries_.push_back(std::move(entry));
        return kResultOk;
    }

    tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler* handler) override {
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if ((*it)->handler != handler) continue;
            loop_->removeTimer((*it)->id);
            handler->release();
            entries_.erase(it);
            return kResultOk;
        }
        return kResultFalse;
    }

    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
        if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
            FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid)) {
            addRef();
            *obj = this;
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return ++refs_; }
    uint32 PLUGIN_API release() override {
        const uint32 left = --refs_;
        if (left == 0) delete this;
        return left;
    }

private:
    struct Entry {
        Linux::ITimerHandler* handler = nullptr;
        std::uint64_t id = 0;
        static void fire(void* self) {
            // The handler may unregister itself from onTimer: hold it for the call.
            Linux::ITimerHandler* handler = static_cast<Entry*>(self)->handler;
            handler->addRef();
            handler->onTimer();
            handler->release();
        }
    };

    ~OfferedRunLoop() {
        for (auto& entry : entries_) {
            loop_->removeTimer(entry->id);
            entry->handler->release();
        }
    }

    std::shared_ptr<RunLoop> loop_;
    std::vector<std::unique_ptr<Entry>> entries_;
    std::atomic<uint32> refs_{1};
};

}  // namespace

Linux::IRunLoop* offerRunLoop(std::shared_ptr<RunLoop> loop) {
    if (loop == nullptr) return nullptr;
    return new OfferedRunLoop(std::move(loop));
}

}  // namespace velmo
