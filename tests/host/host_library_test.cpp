// The host-side library behaves as a host must: queues keep points per parameter, lists
// refuse beyond capacity, messages cross a link both ways and stop when it is cut.
#include <gtest/gtest.h>

#include "tools/host/host.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace velmo::host;

TEST(HostParameterChanges, PointsGroupByParameterAndKeepOrder) {
    ParameterChanges changes(2, 2);
    EXPECT_TRUE(changes.add(7, 0, 0.25));
    EXPECT_TRUE(changes.add(3, 5, 0.5));
    EXPECT_TRUE(changes.add(7, 9, 0.75));
    EXPECT_FALSE(changes.add(7, 10, 1.0)) << "third point exceeds the queue capacity";
    EXPECT_FALSE(changes.add(4, 0, 0.0)) << "third parameter exceeds the queue count";

    ASSERT_EQ(changes.getParameterCount(), 2);
    IParamValueQueue* q = changes.getParameterData(0);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->getParameterId(), 7u);
    ASSERT_EQ(q->getPointCount(), 2);
    int32 offset = -1;
    ParamValue value = -1;
    ASSERT_EQ(q->getPoint(1, offset, value), kResultOk);
    EXPECT_EQ(offset, 9);
    EXPECT_EQ(value, 0.75);
    EXPECT_NE(q->getPoint(2, offset, value), kResultOk);
    EXPECT_EQ(changes.getParameterData(2), nullptr);

    changes.clear();
    EXPECT_EQ(changes.getParameterCount(), 0);
    EXPECT_TRUE(changes.add(1, 0, 0.1));
    EXPECT_EQ(changes.getParameterData(0)->getPointCount(), 1) << "a reused queue starts empty";
}

TEST(HostEventList, HoldsNotesUpToCapacity) {
    EventList list(2);
    EXPECT_TRUE(list.add(makeNoteOn(3, 60, 0.5f, 2)));
    EXPECT_TRUE(list.add(makeNoteOff(7, 60)));
    EXPECT_FALSE(list.add(makeNoteOff(8, 61)));
    Event e{};
    ASSERT_EQ(list.getEvent(0, e), kResultOk);
    EXPECT_EQ(e.type, Event::kNoteOnEvent);
    EXPECT_EQ(e.sampleOffset, 3);
    EXPECT_EQ(e.noteOn.pitch, 60);
    EXPECT_EQ(e.noteOn.channel, 2);
    EXPECT_FLOAT_EQ(e.noteOn.velocity, 0.5f);
    EXPECT_NE(list.getEvent(2, e), kResultOk);
}

TEST(HostProcessBlock, BeginPreparesBuffersAndClearsInputs) {
    ProcessBlock block({2}, 64);
    block.params().add(0, 0, 1.0);
    block.events().add(makeNoteOn(0, 60, 1.0f));
    block.outputBus(0).silenceFlags = 3;
    ProcessData& data = block.begin(32, 9.0f);
    EXPECT_EQ(data.numSamples, 32);
    EXPECT_EQ(data.numOutputs, 1);
    EXPECT_EQ(data.numInputs, 0);
    EXPECT_EQ(data.inputs, nullptr);
    EXPECT_EQ(data.outputs[0].channelBuffers32[1], block.output(0, 1));
    EXPECT_EQ(block.output(0, 1)[31], 9.0f);
    EXPECT_EQ(data.outputs[0].silenceFlags, 0u);
    EXPECT_EQ(data.inputParameterChanges->getParameterCount(), 0);
    EXPECT_EQ(data.inputEvents->getEventCount(), 0);
}

TEST(HostMessages, LinkDeliversBothWaysUntilDisconnected) {
    auto a = owned(new MessageRecorder);
    auto b = owned(new MessageRecorder);
    ConnectionLink link(a, b);
    ASSERT_TRUE(link.connected());

    std::string payload("{\"x\":1}");
    EXPECT_EQ(a->send(makeMessage("velmo.toB", payload)), kResultOk);
    EXPECT_EQ(b->send(makeMessage("velmo.toA")), kResultOk);
    ASSERT_EQ(b->messages.size(), 1u);
    ASSERT_EQ(a->messages.size(), 1u);
    EXPECT_EQ(b->messages[0].id, "velmo.toB");
    ASSERT_TRUE(b->messages[0].json.has_value());
    EXPECT_EQ(*b->messages[0].json, payload) << "payload bytes arrive without a NUL";
    EXPECT_EQ(a->messages[0].id, "velmo.toA");
    EXPECT_FALSE(a->messages[0].json.has_value());

    link.disconnect();
    EXPECT_FALSE(link.connected());
    EXPECT_EQ(a->send(makeMessage("velmo.late")), kResultFalse);
    EXPECT_EQ(b->messages.size(), 1u);
}

TEST(HostMessages, MissingBinaryAttributeIsNothing) {
    auto message = makeMessage("velmo.none");
    EXPECT_FALSE(binaryAttribute(message, "json").has_value());
    EXPECT_FALSE(binaryAttribute(nullptr, "json").has_value());
}
