// Messages from the processor, the editor hooks, lifecycle publishing and the cadence polls.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "controller_rig.h"

namespace velmo {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using test::ControllerRig;

std::string bytesOf(const void* record, std::size_t size) {
    return std::string(static_cast<const char*>(record), size);
}

// An empty payload is sent as a missing attribute (the SDK's host attribute list leaks empty
// binary values).
tresult deliver(ControllerRig& rig, const char* id, const std::string& payload) {
    return rig.controller->notify(payload.empty() ? host::makeMessage(id)
                                                  : host::makeMessage(id, payload));
}

const DiagnosticLifecycleEvent& lastEvent(ControllerRig& rig) {
    return rig.controller->lifecycleLog().at(rig.controller->lifecycleLog().count() - 1);
}

TEST(ControllerMessages, LifecycleNamesAreRecordedAndOthersDropped) {
    ControllerRig rig;
    rig.openPage(DIAGNOSTIC_FEED_LIFECYCLE);
    const std::uint32_t start = rig.controller->lifecycleLog().count();
    EXPECT_EQ(deliver(rig, "velmo.diag.lifecycle", "activated"), kResultOk);
    ASSERT_EQ(rig.controller->lifecycleLog().count(), start + 1);
    EXPECT_EQ(lastEvent(rig).kind, DiagnosticLifecycleKind::Activated);
    EXPECT_EQ(lastEvent(rig).atFrame, -1);
    ASSERT_EQ(rig.page.size(), 1u);
    EXPECT_NE(rig.page[0].find("\"kind\":\"activated\"}]}"), std::string::npos);

    const std::string refused[] = {"", "Activated", "bogus", std::string("reset\0x", 7),
                                   std::string(64, 'a'), std::string("activated") + std::string(60, ' ')};
    for (const auto& payload : refused)
        EXPECT_EQ(deliver(rig, "velmo.diag.lifecycle", payload), kResultOk);
    EXPECT_EQ(rig.controller->lifecycleLog().count(), start + 1);
    EXPECT_EQ(rig.page.size(), 1u);
}

TEST(ControllerMessages, HostFactsOfTheRightSizeAreAdoptedKeepingOurIdentity) {
    ControllerRig rig("pluginval");
    HostFacts facts;
    std::strcpy(facts.hostName, "someone else");
    facts.validatorHost = 0;
    facts.sampleRate = 48000.0;
    facts.maxBlockFrames = 512;
    EXPECT_EQ(deliver(rig, "velmo.diag.hostFacts", bytesOf(&facts, sizeof facts - 1)), kResultOk);
    EXPECT_EQ(rig.controller->hostFacts().sampleRate, 0.0);
    EXPECT_EQ(deliver(rig, "velmo.diag.hostFacts", bytesOf(&facts, sizeof facts) + "x"), kResultOk);
    EXPECT_EQ(rig.controller->hostFacts().sampleRate, 0.0);

    EXPECT_EQ(deliver(rig, "velmo.diag.hostFacts", bytesOf(&facts, sizeof facts)), kResultOk);
    EXPECT_EQ(rig.controller->hostFacts().sampleRate, 48000.0);
    EXPECT_EQ(rig.controller->hostFacts().maxBlockFrames, 512);
    EXPECT_STREQ(rig.controller->hostFacts().hostName, "pluginval");
    EXPECT_EQ(rig.controller->hostFacts().validatorHost, 1);
    ASSERT_EQ(lastEvent(rig).kind, DiagnosticLifecycleKind::SampleRateChanged);
    EXPECT_EQ(lastEvent(rig).details[0].number, 48000.0);
    EXPECT_EQ(lastEvent(rig).details[1].number, 0.0);

    // Counts and texts past their fields are kept inside them.
    HostFacts wild = facts;
    wild.busCount = 200;
    std::memset(wild.buses[0].layout, 'L', sizeof wild.buses[0].layout);
    std::memset(wild.buses[7].id, 'I', sizeof wild.buses[7].id);
    deliver(rig, "velmo.diag.hostFacts", bytesOf(&wild, sizeof wild));
    EXPECT_EQ(rig.controller->hostFacts().busCount, 8u);
    EXPECT_EQ(std::strlen(rig.controller->hostFacts().buses[0].layout), 23u);
    EXPECT_EQ(std::strlen(rig.controller->hostFacts().buses[7].id), 31u);
    ASSERT_EQ(lastEvent(rig).kind, DiagnosticLifecycleKind::BusLayoutChanged);
    EXPECT_EQ(lastEvent(rig).details[0].number, 8.0);
    EXPECT_EQ(std::string(lastEvent(rig).details[1].text), std::string(23, 'L'));
    deliver(rig, "velmo.diag.hostFacts", bytesOf(&facts, sizeof facts));

    // The same facts again change nothing and record nothing.
    const std::uint32_t events = rig.controller->lifecycleLog().count();
    deliver(rig, "velmo.diag.hostFacts", bytesOf(&facts, sizeof facts));
    EXPECT_EQ(rig.controller->lifecycleLog().count(), events);
}

TEST(ControllerMessages, TransportFactsOfTheRightSizeReachASubscribedPage) {
    ControllerRig rig;
    rig.openPage(DIAGNOSTIC_FEED_TRANSPORT);
    TransportFact fact;
    fact.hasTempo = 1;
    fact.tempo = 120.0;
    EXPECT_EQ(deliver(rig, "velmo.diag.transport", bytesOf(&fact, sizeof fact - 8)), kResultOk);
    EXPECT_EQ(deliver(rig, "velmo.diag.transport", ""), kResultOk);
    EXPECT_TRUE(rig.page.empty());

    EXPECT_EQ(deliver(rig, "velmo.diag.transport", bytesOf(&fact, sizeof fact)), kResultOk);
    ASSERT_EQ(rig.pageOfType("velmo.transport").size(), 1u);

    // A tempo change after a known tempo is a lifecycle event at the fact's frame.
    fact.tempo = 121.0;
    fact.atFrame = 96000;
    deliver(rig, "velmo.diag.transport", bytesOf(&fact, sizeof fact));
    ASSERT_EQ(lastEvent(rig).kind, DiagnosticLifecycleKind::TempoChanged);
    EXPECT_EQ(lastEvent(rig).atFrame, 96000);
    EXPECT_EQ(lastEvent(rig).details[0].number, 121.0);
    EXPECT_EQ(lastEvent(rig).details[1].number, 120.0);
    EXPECT_EQ(rig.pageOfType("velmo.transport").size(), 2u);
}

TEST(ControllerMessages, RuntimeReportsAreKeptRecordedAndForwarded) {
    ControllerRig rig;
    rig.openPage(DIAGNOSTIC_FEED_LIFECYCLE);
    const std::string report = "{\"format\":\"velmo-runtime-health/v1\"}";
    EXPECT_EQ(deliver(rig, "velmo.runtimeDiagnostics", ""), kResultOk);
    EXPECT_EQ(deliver(rig, "velmo.runtimeDiagnostics", std::string(65537, ' ')), kResultOk);
    EXPECT_TRUE(rig.controller->runtimeHealthReport().empty());
    EXPECT_TRUE(rig.page.empty());

    EXPECT_EQ(deliver(rig, "velmo.runtimeDiagnostics", report), kResultOk);
    EXPECT_EQ(rig.controller->runtimeHealthReport(), report);
    EXPECT_EQ(lastEvent(rig).kind, DiagnosticLifecycleKind::RuntimeDiagnostic);
    EXPECT_EQ(lastEvent(rig).details[0].number, static_cast<double>(report.size()));
    ASSERT_EQ(rig.pageOfType("velmo.runtimeDiagnostics").size(), 1u);
    EXPECT_EQ(rig.pageOfType("velmo.runtimeDiagnostics")[0],
              "{\"type\":\"velmo.runtimeDiagnostics\",\"report\":" + report + "}");

    const std::string largest(65536, ' ');
    deliver(rig, "velmo.runtimeDiagnostics", largest);
    EXPECT_EQ(rig.controller->runtimeHealthReport().size(), 65536u);
}

TEST(ControllerMessages, SignalIsSwallowedAndUnknownIdsGoToTheBase) {
    ControllerRig rig;
    const std::uint32_t events = rig.controller->lifecycleLog().count();
    EXPECT_EQ(deliver(rig, "velmo.diag.signal", "anything"), kResultOk);
    EXPECT_EQ(deliver(rig, "velmo.diag.signal", ""), kResultOk);
    EXPECT_EQ(deliver(rig, "velmo.somethingElse", "x"), kResultFalse);
    EXPECT_NE(rig.controller->notify(nullptr), kResultOk);
    EXPECT_EQ(rig.controller->lifecycleLog().count(), events);
}

TEST(ControllerEditorHooks, OpenCloseAndErrorsAreRecordedAndCloseEndsTheSubscription) {
    ControllerRig rig;
    rig.openPage(DIAGNOSTIC_FEED_LIFECYCLE | DIAGNOSTIC_FEED_TRANSPORT);
    rig.controller->onEditorOpened();
    rig.controller->onEditorError(nullptr);
    rig.controller->onEditorError("web view failed");
    rig.controller->onEditorClosed();
    const auto docs = rig.pageOfType("velmo.lifecycle");
    ASSERT_EQ(docs.size(), 4u);
    EXPECT_NE(docs[0].find("\"kind\":\"editorOpened\"}"), std::string::npos);
    EXPECT_NE(docs[1].find("\"kind\":\"editorError\",\"detail\":{\"reason\":\"unknown\"}"),
              std::string::npos);
    EXPECT_NE(docs[2].find("{\"reason\":\"web view failed\"}"), std::string::npos);
    EXPECT_NE(docs[3].find("\"kind\":\"editorClosed\"}"), std::string::npos);
    EXPECT_EQ(rig.controller->feedMask(), 0u);
    EXPECT_EQ(rig.controller->feedRateHz(), 0.0);
    EXPECT_FALSE(rig.controller->helloSent());

    rig.controller->onEditorOpened();  // no longer subscribed: recorded, not sent
    EXPECT_EQ(rig.pageOfType("velmo.lifecycle").size(), 4u);
    EXPECT_EQ(lastEvent(rig).kind, DiagnosticLifecycleKind::EditorOpened);
}

TEST(ControllerLifecycle, SubscribingReplaysTheBoundedHistory) {
    ControllerRig rig;
    for (int i = 0; i < 300; ++i) deliver(rig, "velmo.diag.lifecycle", "stimulus");
    // "created" plus 300 events: the oldest 45 were dropped.
    EXPECT_EQ(rig.controller->lifecycleLog().count(), 256u);
    EXPECT_EQ(rig.controller->lifecycleLog().dropped(), 45u);

    rig.controller->setBridgeSink([&rig](const std::string& d) { rig.page.push_back(d); });
    rig.controller->subscribeDiagnostics(DIAGNOSTIC_FEED_LIFECYCLE, 120.0);
    EXPECT_EQ(rig.controller->feedRateHz(), 30.0);
    ASSERT_FALSE(rig.page.empty());
    const std::string& replay = rig.page[0];
    EXPECT_EQ(replay.rfind("{\"type\":\"velmo.lifecycle\",\"events\":[{\"seq\":46,", 0), 0u);
    EXPECT_NE(replay.find("{\"seq\":301,"), std::string::npos);
    const std::string tail = "\"kind\":\"stimulus\"}],\"dropped\":45}";
    ASSERT_GE(replay.size(), tail.size());
    EXPECT_EQ(replay.substr(replay.size() - tail.size()), tail);

    // Without the lifecycle bit nothing is replayed or published.
    rig.page.clear();
    rig.controller->subscribeDiagnostics(DIAGNOSTIC_FEED_TRANSPORT, 10.0);
    deliver(rig, "velmo.diag.lifecycle", "reset");
    EXPECT_TRUE(rig.pageOfType("velmo.lifecycle").empty());
}

TEST(ControllerCadence, EachTickPollsTransportAndDrainsFeeds) {
    ControllerRig rig;
    rig.processor->clear();
    rig.controller->tickCadence();
    rig.controller->subscribeDiagnostics(DIAGNOSTIC_FEED_TRANSPORT, 30.0);
    rig.controller->tickCadence();
    const auto polls = rig.processor->withId("velmo.diag.transportPoll");
    ASSERT_EQ(polls.size(), 3u);  // tick, subscription reset, tick
    EXPECT_EQ(polls[0].reset, 0);
    EXPECT_EQ(polls[1].reset, 1);
    EXPECT_EQ(polls[2].reset, 0);
    EXPECT_EQ(rig.processor->withId("velmo.diag.feedDrain").size(), 2u);
}

}  // namespace
}  // namespace velmo
