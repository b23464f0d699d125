// What the exported entry points cannot show: the stored rate, the editor closing, and a
// controller dropped without terminate.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controller/velmo_controller.h"
#include "platform/run_loop.h"
#include "platform/run_loop_manual.h"
#include "platform/run_loop_offer.h"
#include "pluginterfaces/gui/iplugview.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

namespace velmo {
namespace {

class ControllerBridge : public ::testing::Test {
protected:
    void SetUp() override {
        controller = Steinberg::owned(new VelmoController());
        controller->initialize(static_cast<Steinberg::Vst::IHostApplication*>(&host));
        controller->setBridgeSink([this](const std::string& doc) { page.push_back(doc); });
    }
    void TearDown() override { controller->terminate(); }

    void deliver(const std::string& text) { controller->handleBridgeMessage(text.data(), text.size()); }

    std::shared_ptr<ManualRunLoop> loop = std::make_shared<ManualRunLoop>();
    ScopedCurrentRunLoop scope{loop};
    Steinberg::Vst::HostApplication host;
    Steinberg::IPtr<VelmoController> controller;
    std::vector<std::string> page;
};

TEST_F(ControllerBridge, SubscriptionRateIsLimitedAboveOnly) {
    deliver(R"({"type":"velmo.diag.subscribe","feeds":["transport","lifecycle","bogus"],"hz":120})");
    EXPECT_EQ(controller->feedMask(), DIAGNOSTIC_FEED_TRANSPORT | DIAGNOSTIC_FEED_LIFECYCLE);
    EXPECT_EQ(controller->feedRateHz(), 30.0);
    deliver(R"({"type":"velmo.diag.subscribe","feeds":["meters"],"hz":-4})");
    EXPECT_EQ(controller->feedMask(), 16u);
    EXPECT_EQ(controller->feedRateHz(), -4.0);
    deliver(R"({"type":"velmo.diag.unsubscribe","feeds":["meters"],"hz":5})");
    EXPECT_EQ(controller->feedMask(), 0u);
    EXPECT_EQ(controller->feedRateHz(), 0.0);
}

TEST_F(ControllerBridge, ClosingTheEditorEndsHostChangeDocuments) {
    deliver(R"({"type":"velmo.ready"})");
    EXPECT_TRUE(controller->helloSent());
    HostFacts facts;
    facts.sampleRate = 96000;
    page.clear();
    controller->adoptHostFacts(facts);
    EXPECT_EQ(page.size(), 1u);

    controller->onEditorClosed();
    EXPECT_FALSE(controller->helloSent());
    page.clear();
    facts.sampleRate = 48000;
    controller->adoptHostFacts(facts);
    EXPECT_TRUE(page.empty());
}

TEST_F(ControllerBridge, ClockRunsOnTheCurrentLoopWhenTheHostOffersNone) {
    EXPECT_EQ(loop->timerCount(), 1u) << "started by initialize";
    controller->stopCadenceClock();
    EXPECT_EQ(loop->timerCount(), 0u);
    controller->startCadenceClock();
    controller->startCadenceClock();
    EXPECT_EQ(loop->timerCount(), 1u) << "started once";

    // Dropped without terminate: the clock goes with it.
    auto orphan = Steinberg::owned(new VelmoController());
    orphan->initialize(static_cast<Steinberg::Vst::IHostApplication*>(&host));
    EXPECT_EQ(loop->timerCount(), 2u);
    orphan = nullptr;
    EXPECT_EQ(loop->timerCount(), 1u);
    loop->advance(1000.0);
}

// A plug frame that offers the host's run loop, as Linux hosts do once a view attaches.
class FrameWithRunLoop : public Steinberg::FUnknown {
public:
    explicit FrameWithRunLoop(std::shared_ptr<RunLoop> loop) : loop_(offerRunLoop(std::move(loop))) {}
    ~FrameWithRunLoop() { loop_->release(); }
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override {
        *obj = nullptr;
        if (!Steinberg::FUnknownPrivate::iidEqual(iid, Steinberg::Linux::IRunLoop::iid))
            return Steinberg::kNoInterface;
        loop_->addRef();
        *obj = loop_;
        return Steinberg::kResultOk;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    Steinberg::Linux::IRunLoop* loop_;
};

TEST(ControllerClock, BorrowsTheFramesLoopWhenTheContextHasNoneAndGivesItBack) {
    Steinberg::Vst::HostApplication host;
    auto controller = Steinberg::owned(new VelmoController());
    controller->initialize(static_cast<Steinberg::Vst::IHostApplication*>(&host));

    auto frameLoop = std::make_shared<ManualRunLoop>();
    FrameWithRunLoop frame(frameLoop);
    EXPECT_FALSE(controller->startCadenceClockOn(nullptr));
    EXPECT_TRUE(controller->startCadenceClockOn(&frame));
    EXPECT_FALSE(controller->startCadenceClockOn(&frame));
    EXPECT_EQ(frameLoop->timerCount(), 1u);
    EXPECT_EQ(frameLoop->advance(1000.0), 30u);
    EXPECT_EQ(currentRunLoop(), nullptr) << "a frame's loop is never this thread's loop for others";
    // Given back when the view goes: nothing stays on the frame's loop.
    controller->returnCadenceClock();
    EXPECT_EQ(frameLoop->timerCount(), 0u);

    EXPECT_TRUE(controller->startCadenceClockOn(&frame));
    controller->terminate();
    EXPECT_EQ(frameLoop->timerCount(), 0u);
    controller->returnCadenceClock();  // after terminate, no clock comes back
    EXPECT_EQ(frameLoop->timerCount(), 0u);
}

}  // namespace
}  // namespace velmo
