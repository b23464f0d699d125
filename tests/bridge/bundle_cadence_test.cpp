// The diagnostic cadence through the bundle: the 30 Hz clock on the host's run loop, the
// exported clock, each tick's sends, transport pushes at the subscribed rate, tempo and
// signature changes, and host-changed documents after the hello.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/bridge/bundle_rig.h"

namespace velmo::test {
namespace {

using Clock = std::chrono::steady_clock;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Each push happened somewhere between the two clock readings around its send, so the later
// reading of one push minus the earlier reading of the one before bounds the controller's own
// gap from above, however the test thread is scheduled.
struct Push {
    Clock::time_point sent, returned;
};

void feedTransport(BundleRig& rig, const TransportFact& fact, std::chrono::milliseconds span,
                   std::chrono::milliseconds pause, std::vector<Push>& pushes) {
    const auto end = Clock::now() + span;
    do {
        const std::size_t before = rig.page.size();
        const auto sent = Clock::now();
        rig.sendTransport(fact);
        if (rig.page.size() > before) pushes.push_back({sent, Clock::now()});
        std::this_thread::sleep_for(pause);
    } while (Clock::now() < end);
}

void expectGapsOfAtLeast(const std::vector<Push>& pushes, std::chrono::microseconds gap) {
    for (std::size_t i = 1; i < pushes.size(); ++i)
        EXPECT_GE(pushes[i].returned - pushes[i - 1].sent, gap) << "push " << i;
}

TEST(BundleCadence, ClockRunsOnTheHostsLoopFromInitializeToTerminate) {
    std::shared_ptr<ManualRunLoop> loop;
    {
        BundleRig rig;
        loop = rig.loop;
        EXPECT_EQ(loop->timerCount(), 1u);
        loop->advance(1000.0);
        EXPECT_EQ(rig.processorCount("velmo.diag.transportPoll"), 30u) << "no editor is needed";
        EXPECT_EQ(rig.processorCount("velmo.diag.feedDrain"), 30u);
    }
    EXPECT_EQ(loop->timerCount(), 0u);
}

void tickThrough(void* rig) { static_cast<BundleRig*>(rig)->tick(); }
void countCalls(void* counter) { ++*static_cast<int*>(counter); }

TEST(BundleCadence, ExportedClockUsesTheCurrentLoop) {
    BundleRig rig;
    int calls = 0;
    EXPECT_EQ(rig.api.startClock(nullptr, &calls, 0.1), nullptr);
    void* clock = rig.api.startClock(&countCalls, &calls, 0.0);
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(rig.loop->timerCount(), 2u) << "on the host's loop, beside the controller's own";
    rig.loop->advance(1000.0);
    EXPECT_EQ(calls, 30) << "an interval of 0 is 1/30 s";
    rig.api.stopClock(clock);
    rig.api.stopClock(nullptr);
    rig.loop->advance(1000.0);
    EXPECT_EQ(calls, 30);
    EXPECT_EQ(rig.loop->timerCount(), 1u);

    // A second clock standing in for the editor view's timer: the processor hears twice as often.
    rig.clear();
    void* viewTimer = rig.api.startClock(&tickThrough, &rig, -1.0);
    rig.loop->advance(1000.0);
    EXPECT_EQ(rig.processorCount("velmo.diag.transportPoll"), 60u);
    EXPECT_EQ(rig.processorCount("velmo.diag.feedDrain"), 60u);
    rig.api.stopClock(viewTimer);
}

TEST(BundleCadence, EachTickPollsAndDrainsWithAPendingReset) {
    BundleRig rig;
    rig.openPage();
    EXPECT_EQ(rig.tick(), 1);
    auto polls = rig.processor->withId("velmo.diag.transportPoll");
    ASSERT_EQ(polls.size(), 1u);
    EXPECT_EQ(polls[0].reset, 0);
    EXPECT_EQ(rig.processorCount("velmo.diag.feedDrain"), 1u);

    // Subscribing without a processor leaves the reset pending for the next tick.
    rig.disconnectProcessor();
    rig.clear();
    rig.deliver(R"({"type":"velmo.diag.subscribe","feeds":["transport"],"hz":10})");
    EXPECT_EQ(rig.tick(), 1);
    rig.connectProcessor();
    EXPECT_TRUE(rig.processor->messages.empty());
    rig.tick();
    rig.tick();
    polls = rig.processor->withId("velmo.diag.transportPoll");
    ASSERT_EQ(polls.size(), 2u);
    EXPECT_EQ(polls[0].reset, 1);
    EXPECT_EQ(polls[1].reset, 0);
    const auto all = rig.processor->messages;
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].id, "velmo.diag.transportPoll");
    EXPECT_EQ(all[1].id, "velmo.diag.feedDrain");
    EXPECT_FALSE(all[1].json.has_value()) << "the drain carries nothing";
}

TEST(BundleCadence, TransportPushesFollowTheSubscribedRate) {
    BundleRig rig;
    rig.openPage();
    rig.deliver(R"({"type":"velmo.diag.subscribe","feeds":["transport"],"hz":10})");
    TransportFact fact;
    fact.source = 1;
    fact.playing = 1;
    fact.hasTempo = 1;
    fact.tempo = 100;

    std::vector<Push> pushes;
    feedTransport(rig, fact, std::chrono::milliseconds(450), std::chrono::milliseconds(2), pushes);
    ASSERT_GE(pushes.size(), 3u) << "an unchanged, playing transport is pushed again and again";
    expectGapsOfAtLeast(pushes, std::chrono::milliseconds(100));

    // Stopped: one push for the change, then nothing while it stays the same.
    pushes.clear();
    fact.playing = 0;
    feedTransport(rig, fact, std::chrono::milliseconds(250), std::chrono::milliseconds(2), pushes);
    EXPECT_EQ(pushes.size(), 1u);

    // Any change goes out at once.
    const std::size_t before = rig.page.size();
    fact.tempo = 101;
    rig.sendTransport(fact);
    fact.looping = 1;
    rig.sendTransport(fact);
    EXPECT_EQ(rig.page.size(), before + 2);
    // Position alone is no change.
    fact.ppqPosition = 12.5;
    fact.atFrame = 999;
    rig.sendTransport(fact);
    EXPECT_EQ(rig.page.size(), before + 2);
}

TEST(BundleCadence, SubscribedRateIsCappedAtThirty) {
    BundleRig rig;
    rig.openPage();
    rig.deliver(R"({"type":"velmo.diag.subscribe","feeds":["transport"],"hz":120})");
    TransportFact fact;
    fact.playing = 1;
    std::vector<Push> pushes;
    feedTransport(rig, fact, std::chrono::milliseconds(200), std::chrono::milliseconds(1), pushes);
    ASSERT_GE(pushes.size(), 2u);
    expectGapsOfAtLeast(pushes, std::chrono::microseconds(33'000));  // 120 Hz is stored as 30
}

TEST(BundleCadence, TempoAndSignatureChangesNeedAKnownFact) {
    BundleRig rig;
    rig.openPage();
    rig.deliver(R"({"type":"velmo.diag.subscribe","feeds":["lifecycle"],"hz":30})");
    rig.clear();
    TransportFact fact;
    fact.atFrame = 4800;
    fact.hasTempo = 1;
    fact.tempo = 120;
    fact.hasTimeSignature = 1;
    fact.numerator = 4;
    fact.denominator = 4;
    rig.sendTransport(fact);
    EXPECT_TRUE(rig.page.empty()) << "the first fact changes nothing";

    fact.tempo = 121;
    fact.numerator = 3;
    rig.sendTransport(fact);
    ASSERT_EQ(rig.page.size(), 2u);
    EXPECT_TRUE(contains(rig.page[0], R"("atFrame":4800,"kind":"tempoChanged","detail":{"tempo":121,"previous":120}})"))
        << rig.page[0];
    EXPECT_TRUE(contains(rig.page[1], R"("kind":"timeSignatureChanged","detail":{"numerator":3,"denominator":4,)"
                                      R"("previousNumerator":4,"previousDenominator":4}})"))
        << rig.page[1];

    // A fact without a tempo between two with one: the next tempo is not compared.
    rig.clear();
    TransportFact bare = fact;
    bare.hasTempo = 0;
    rig.sendTransport(bare);
    fact.tempo = 140;
    rig.sendTransport(fact);
    EXPECT_TRUE(rig.page.empty());

    // A new subscription forgets the last fact.
    rig.deliver(R"({"type":"velmo.diag.subscribe","feeds":["lifecycle"],"hz":30})");
    rig.clear();
    fact.tempo = 60;
    rig.sendTransport(fact);
    EXPECT_TRUE(rig.page.empty());
}

TEST(BundleCadence, HostChangedDocumentsOnlyAfterTheHello) {
    BundleRig rig;
    rig.openPage();
    rig.deliver(R"({"type":"velmo.diag.subscribe","feeds":["lifecycle"],"hz":30})");
    rig.clear();

    HostFacts facts;
    facts.sampleRate = 48000;
    facts.maxBlockFrames = 256;
    rig.sendHostFacts(facts);
    ASSERT_EQ(rig.page.size(), 1u) << "recorded, but no document before the hello";
    EXPECT_TRUE(contains(rig.page[0], R"("kind":"sampleRateChanged","detail":{"sampleRate":48000,"previous":0}})"));

    rig.deliver(R"({"type":"velmo.ready"})");
    rig.clear();
    rig.sendHostFacts(facts);
    EXPECT_TRUE(rig.page.empty()) << "nothing changed: no document, no number used";

    facts.latencySamples = 64;
    rig.sendHostFacts(facts);
    ASSERT_EQ(rig.pageOfType("velmo.hostChanged").size(), 1u);
    EXPECT_TRUE(contains(rig.pageOfType("velmo.lifecycle").at(0),
                         R"("kind":"latencyChanged","detail":{"latencySamples":64,"previous":0,"reported":true}})"));
    const std::string first = rig.pageOfType("velmo.hostChanged")[0];
    EXPECT_EQ(first.rfind(R"({"type":"velmo.hostChanged","host":{"latencySamples":64},"event":{"seq":1,"timeMs":)", 0), 0u)
        << first;
    EXPECT_TRUE(contains(first, R"(,"kind":"latencyChanged"}})"));

    rig.clear();
    facts.addBus("out", false, 2, true, "stereo");
    rig.sendHostFacts(facts);
    const auto second = rig.pageOfType("velmo.hostChanged");
    ASSERT_EQ(second.size(), 1u);
    EXPECT_TRUE(contains(second[0], R"("event":{"seq":2,)")) << second[0];
    EXPECT_TRUE(contains(rig.pageOfType("velmo.lifecycle").at(0),
                         R"("kind":"busLayoutChanged","detail":{"buses":1,"layout":"stereo"}})"));

    // Without a page the number is not used either.
    rig.closePage();
    rig.clear();
    facts.processMode = 1;
    rig.sendHostFacts(facts);
    rig.openPage();
    facts.bypassReported = 1;
    facts.bypassed = 1;
    rig.sendHostFacts(facts);
    const auto third = rig.pageOfType("velmo.hostChanged");
    ASSERT_EQ(third.size(), 1u);
    EXPECT_TRUE(contains(third[0], R"("host":{"bypassed":true},"event":{"seq":3,)")) << third[0];
}

}  // namespace
}  // namespace velmo::test
