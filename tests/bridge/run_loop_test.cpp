// Run-loop timers: the manual loop's clock, the current loop of a thread, the interval rules,
// and a loop offered to a plug-in as the host's IRunLoop and taken back as a RunLoop.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "pluginterfaces/gui/iplugview.h"
#include "platform/run_loop.h"
#include "platform/run_loop_host.h"
#include "platform/run_loop_manual.h"
#include "platform/run_loop_offer.h"

namespace velmo {
namespace {

void count(void* counter) { ++*static_cast<int*>(counter); }

struct Log {
    std::vector<int> order;
};
struct Tagged {
    Log* log;
    int tag;
};
void logTag(void* t) {
    auto* tagged = static_cast<Tagged*>(t);
    tagged->log->order.push_back(tagged->tag);
}

TEST(ManualRunLoop, FiresOnItsOwnClockInTimeOrder) {
    auto loop = std::make_shared<ManualRunLoop>();
    Log log;
    Tagged fast{&log, 1}, slow{&log, 2};
    const auto a = loop->addTimer(10.0, &logTag, &fast);
    const auto b = loop->addTimer(25.0, &logTag, &slow);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_EQ(loop->advance(9.0), 0u);
    EXPECT_EQ(loop->advance(41.0), 7u);  // t = 50: fast at 10..50, slow at 25 and 50
    EXPECT_EQ(log.order, (std::vector<int>{1, 1, 2, 1, 1, 1, 2})) << "ties go to the older timer";
    loop->removeTimer(a);
    EXPECT_EQ(loop->advance(50.0), 2u);
    EXPECT_DOUBLE_EQ(loop->nowMs(), 100.0);
}

TEST(ManualRunLoop, ThirtyTicksInASecondWithoutDrift) {
    auto loop = std::make_shared<ManualRunLoop>();
    int ticks = 0;
    auto timer = scheduleRepeatingTimer(loop, 0.0, &count, &ticks);  // 0 → 1/30 s
    ASSERT_NE(timer, nullptr);
    for (int i = 0; i < 1000; ++i) loop->advance(1.0);
    EXPECT_EQ(ticks, 30);
    loop->advance(60'000.0);
    EXPECT_EQ(ticks, 30 + 1800);
    timer.reset();
    EXPECT_EQ(loop->timerCount(), 0u);
}

TEST(ManualRunLoop, CallbacksMayStopTimers) {
    auto loop = std::make_shared<ManualRunLoop>();
    struct SelfStop {
        std::unique_ptr<RepeatingTimer> timer;
        int fired = 0;
    } self;
    self.timer = scheduleRepeatingTimer(
        loop, 0.01,
        [](void* s) {
            auto* me = static_cast<SelfStop*>(s);
            if (++me->fired == 3) me->timer.reset();
        },
        &self);
    loop->advance(1000.0);
    EXPECT_EQ(self.fired, 3);
    EXPECT_EQ(loop->timerCount(), 0u);
}

TEST(ScheduleRepeatingTimer, IntervalAndCallbackRules) {
    auto loop = std::make_shared<ManualRunLoop>();
    ScopedCurrentRunLoop scope(loop);
    int ticks = 0;
    EXPECT_EQ(scheduleRepeatingTimer(0.5, nullptr, &ticks), nullptr);
    EXPECT_EQ(loop->timerCount(), 0u);
    auto negative = scheduleRepeatingTimer(-1.0, &count, &ticks);
    auto notANumber = scheduleRepeatingTimer(std::nan(""), &count, &ticks);
    auto half = scheduleRepeatingTimer(0.5, &count, &ticks);
    ASSERT_TRUE(negative && notANumber && half);
    loop->advance(1000.0);
    EXPECT_EQ(ticks, 30 + 30 + 2);
}

TEST(CurrentRunLoop, ScopedPerThreadAndNeverFiresElsewhere) {
    EXPECT_EQ(currentRunLoop(), nullptr);
    int ticks = 0;
    EXPECT_EQ(scheduleRepeatingTimer(0.01, &count, &ticks), nullptr) << "no loop, no timer";

    auto outer = std::make_shared<ManualRunLoop>();
    auto inner = std::make_shared<ManualRunLoop>();
    {
        ScopedCurrentRunLoop a(outer);
        {
            ScopedCurrentRunLoop b(inner);
            EXPECT_EQ(currentRunLoop(), inner);
        }
        EXPECT_EQ(currentRunLoop(), outer);

        std::shared_ptr<RunLoop> seenByOtherThread = outer;
        std::uint64_t addedElsewhere = 1;
        std::size_t firedElsewhere = 1;
        auto timer = scheduleRepeatingTimer(0.01, &count, &ticks);
        std::thread([&] {
            seenByOtherThread = currentRunLoop();
            addedElsewhere = outer->addTimer(10.0, &count, &ticks);
            firedElsewhere = outer->advance(1000.0);
        }).join();
        EXPECT_EQ(seenByOtherThread, nullptr);
        EXPECT_EQ(addedElsewhere, 0u);
        EXPECT_EQ(firedElsewhere, 0u);
        EXPECT_EQ(ticks, 0);
        outer->advance(100.0);
        EXPECT_EQ(ticks, 10);
    }
    EXPECT_EQ(currentRunLoop(), nullptr);
}

// The host side offers our manual loop as IRunLoop; the plug-in side wraps it again.
class RunLoopHostObject : public Steinberg::FUnknown {
public:
    explicit RunLoopHostObject(Steinberg::Linux::IRunLoop* loop) : loop_(loop) {}
    ~RunLoopHostObject() { loop_->release(); }
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override {
        if (Steinberg::FUnknownPrivate::iidEqual(iid, Steinberg::Linux::IRunLoop::iid)) {
            loop_->addRef();
            *obj = loop_;
            return Steinberg::kResultOk;
        }
        *obj = nullptr;
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    Steinberg::Linux::IRunLoop* loop_;
};

TEST(HostRunLoop, TimersTravelThroughTheHostsInterface) {
    auto manual = std::make_shared<ManualRunLoop>();
    RunLoopHostObject host(offerRunLoop(manual));
    std::shared_ptr<RunLoop> plugSide = hostRunLoopFrom(&host);
    ASSERT_NE(plugSide, nullptr);

    int ticks = 0;
    auto timer = scheduleRepeatingTimer(plugSide, 0.0, &count, &ticks);
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(manual->timerCount(), 1u);
    manual->advance(1000.0);
    EXPECT_EQ(ticks, 30) << "the host counts whole milliseconds: 33 ms";
    timer.reset();
    EXPECT_EQ(manual->timerCount(), 0u);

    // The timer keeps the plug-in side's loop; the last of them gone, nothing stays registered.
    auto again = scheduleRepeatingTimer(plugSide, 0.1, &count, &ticks).release();
    plugSide.reset();
    delete again;
    EXPECT_EQ(manual->timerCount(), 0u);

    Steinberg::FUnknown* none = nullptr;
    EXPECT_EQ(hostRunLoopFrom(none), nullptr);
}

TEST(HostRunLoop, NotedHostLoopIsCurrentWhileAlive) {
    auto manual = std::make_shared<ManualRunLoop>();
    RunLoopHostObject host(offerRunLoop(manual));
    {
        std::shared_ptr<RunLoop> plugSide = hostRunLoopFrom(&host);
        noteHostRunLoop(plugSide);
        EXPECT_EQ(currentRunLoop(), plugSide);
        {
            ScopedCurrentRunLoop scope(manual);
            EXPECT_EQ(currentRunLoop(), manual) << "a scope wins over the host's loop";
        }
    }
    EXPECT_EQ(currentRunLoop(), nullptr);
}

}  // namespace
}  // namespace velmo
