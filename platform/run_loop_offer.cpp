#include "platform/run_loop_offer.h"

#include <vector>

#include "platform/ref_counted.h"
#include "pluginterfaces/gui/iplugview.h"

namespace velmo {
namespace {

using namespace Steinberg;

class OfferedRunLoop final : public RefCounted<OfferedRunLoop, Linux::IRunLoop> {
public:
    explicit OfferedRunLoop(std::shared_ptr<RunLoop> loop) : loop_(std::move(loop)) {}

    tresult PLUGIN_API registerEventHandler(Linux::IEventHandler* handler, Linux::FileDescriptor fd) override {
        if (handler == nullptr || fd < 0) return kInvalidArgument;
        auto entry = std::make_unique<FdEntry>();
        entry->handler = handler;
        entry->fd = fd;
        const std::uint64_t id = loop_->addFdHandler(fd, &FdEntry::fire, entry.get());
        if (id == 0) return kResultFalse;
        handler->addRef();
        entry->id = id;
        fdEntries_.push_back(std::move(entry));
        return kResultOk;
    }

    tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler* handler) override {
        bool found = false;
        for (auto it = fdEntries_.begin(); it != fdEntries_.end();) {
            if ((*it)->handler != handler) {
                ++it;
                continue;
            }
            loop_->removeFdHandler((*it)->id);
            handler->release();
            it = fdEntries_.erase(it);
            found = true;
        }
        return found ? kResultOk : kResultFalse;
    }

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

private:
    friend RefCounted;

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

    struct FdEntry {
        Linux::IEventHandler* handler = nullptr;
        Linux::FileDescriptor fd = -1;
        std::uint64_t id = 0;
        static void fire(void* self) {
            auto* entry = static_cast<FdEntry*>(self);
            Linux::IEventHandler* handler = entry->handler;
            handler->addRef();
            handler->onFDIsSet(entry->fd);
            handler->release();
        }
    };

    ~OfferedRunLoop() {
        for (auto& entry : entries_) {
            loop_->removeTimer(entry->id);
            entry->handler->release();
        }
        for (auto& entry : fdEntries_) {
            loop_->removeFdHandler(entry->id);
            entry->handler->release();
        }
    }

    std::shared_ptr<RunLoop> loop_;
    std::vector<std::unique_ptr<Entry>> entries_;
    std::vector<std::unique_ptr<FdEntry>> fdEntries_;
};

}  // namespace

Linux::IRunLoop* offerRunLoop(std::shared_ptr<RunLoop> loop) {
    if (loop == nullptr) return nullptr;
    return new OfferedRunLoop(std::move(loop));
}

}  // namespace velmo
