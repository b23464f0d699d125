// Each step of the page dispatcher, through the exported entry points on a controller created
// from the built bundle.
#include <gtest/gtest.h>

#include <string>

#include "public.sdk/source/vst/vsteditcontroller.h"
#include "tests/bridge/bundle_rig.h"

namespace velmo::test {
namespace {

using Steinberg::Vst::ParamID;

constexpr ParamID PROGRAM = 0x3F010001;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class BundleDispatch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(rig.controller, nullptr);
        ASSERT_TRUE(rig.openPage());
        rig.clear();
    }
    BundleRig rig;
};

TEST(BundleEntryPoints, AnswerZeroForWhatIsNotOurController) {
    BundleRig rig;
    ASSERT_TRUE(rig.api.complete());
    EXPECT_EQ(rig.api.abiVersion(), 2);
    EXPECT_EQ(rig.api.installSink(nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(rig.api.tick(nullptr), 0);
    EXPECT_EQ(rig.api.deliver(rig.controller, nullptr, 5), 0);
    const char ready[] = R"({"type":"velmo.ready"})";
    EXPECT_EQ(rig.api.deliver(nullptr, ready, sizeof ready - 1), 0);
    // No IEditController at all, and an edit controller of another kind.
    EXPECT_EQ(rig.api.deliver(static_cast<Steinberg::Vst::IConnectionPoint*>(rig.processor.get()), ready, sizeof ready - 1), 0);
    auto foreign = Steinberg::owned(new Steinberg::Vst::EditController());
    EXPECT_EQ(rig.api.deliver(static_cast<Steinberg::Vst::IEditController*>(foreign.get()), ready,
                              sizeof ready - 1),
              0);
    EXPECT_EQ(rig.api.tick(static_cast<Steinberg::Vst::IEditController*>(foreign.get())), 0);
    EXPECT_EQ(rig.api.deliver(rig.controller, ready, sizeof ready - 1), 1);
    EXPECT_TRUE(rig.page.empty()) << "no sink installed yet";
}

TEST_F(BundleDispatch, ReadyAnswersAHelloEachTime) {
    EXPECT_EQ(rig.deliver(R"({"type":"velmo.ready"})"), 1);
    EXPECT_EQ(rig.deliver(R"( {"type":"velmo.ready"} )"), 1);
    ASSERT_EQ(rig.page.size(), 2u);
    EXPECT_EQ(rig.page[0], rig.page[1]);
    EXPECT_EQ(rig.page[0].rfind(R"({"type":"velmo.hello","plugin":{"id":"music.velmo.bells")", 0), 0u);
}

TEST_F(BundleDispatch, FactoryPresetById) {
    rig.deliver(R"({"type":"velmo.loadFactoryPreset","id":"factory-10"})");
    EXPECT_DOUBLE_EQ(rig.normalized(PROGRAM), 1.0);
    EXPECT_DOUBLE_EQ(rig.normalized(0), 1.0) << "Meditation Bowl is a Singing Bowl";
    EXPECT_DOUBLE_EQ(rig.normalized(8), 0.7487437185929648);
    ASSERT_GE(rig.edits.size(), 3u);
    EXPECT_EQ(rig.edits.front().kind, EditRecord::Begin);
    EXPECT_EQ(rig.edits.front().id, PROGRAM);
    EXPECT_EQ(rig.edits.back().kind, EditRecord::End);
    EXPECT_EQ(rig.edits.back().id, PROGRAM);
    const EditRecord& perform = rig.edits[rig.edits.size() - 2];
    EXPECT_EQ(perform.kind, EditRecord::Perform);
    EXPECT_EQ(perform.id, PROGRAM);
    EXPECT_EQ(perform.value, 1.0);

    rig.deliver(R"({"type":"velmo.loadFactoryPreset","id":"factory-1"})");
    EXPECT_DOUBLE_EQ(rig.normalized(PROGRAM), 0.0);
    EXPECT_DOUBLE_EQ(rig.normalized(0), 0.0);

    rig.clear();
    for (const char* id : {"factory-11", "factory-0", "factory-01", "factory-1x", "factory-", "Factory-2",
                           "factory-+2", "factory-100", ""}) {
        rig.deliver(std::string(R"({"type":"velmo.loadFactoryPreset","id":")") + id + "\"}");
        EXPECT_TRUE(rig.edits.empty()) << id;
    }
    EXPECT_TRUE(rig.page.empty());
    EXPECT_DOUBLE_EQ(rig.normalized(PROGRAM), 0.0);
}

TEST_F(BundleDispatch, SetParamIsNotEchoedButTheHostsLaterEchoIs) {
    rig.deliver(R"({"type":"velmo.setParam","path":"ir.size","value":2.0})");
    EXPECT_EQ(rig.normalized(6), 1.0);
    EXPECT_TRUE(rig.pageOfType("velmo.paramChanged").empty());
    ASSERT_EQ(rig.edits.size(), 1u) << "no begin or end: the page sends its own";
    EXPECT_EQ(rig.edits[0].kind, EditRecord::Perform);
    EXPECT_EQ(rig.edits[0].id, 6u);
    EXPECT_EQ(rig.edits[0].value, 1.0);

    rig.controller->setParamNormalized(6, 1.0);
    ASSERT_EQ(rig.pageOfType("velmo.paramChanged").size(), 1u);
    EXPECT_EQ(rig.page.back(), R"({"type":"velmo.paramChanged","path":"ir.size","value":2,"normalized":1})");

    // Plain values outside the range are clamped; the family takes its index.
    rig.clear();
    rig.deliver(R"({"type":"velmo.setParam","path":"amp.release","value":-7})");
    rig.deliver(R"({"type":"velmo.setParam","path":"ir.family","value":3})");
    EXPECT_EQ(rig.normalized(8), 0.0);
    EXPECT_EQ(rig.normalized(0), 0.75);
    EXPECT_TRUE(rig.page.empty());
}

TEST_F(BundleDispatch, GesturesByPathAndUnknownPaths) {
    rig.deliver(R"({"type":"velmo.beginEdit","path":"strike.noise"})");
    rig.deliver(R"({"type":"velmo.setParam","path":"strike.noise","value":0.25})");
    rig.deliver(R"({"type":"velmo.endEdit","path":"strike.noise"})");
    ASSERT_EQ(rig.edits.size(), 3u);
    EXPECT_EQ(rig.edits[0].kind, EditRecord::Begin);
    EXPECT_EQ(rig.edits[1].kind, EditRecord::Perform);
    EXPECT_EQ(rig.edits[2].kind, EditRecord::End);
    for (const auto& e : rig.edits) EXPECT_EQ(e.id, 3u);

    rig.clear();
    const double before = rig.normalized(3);
    for (const char* text :
         {R"({"type":"velmo.setParam","path":"strike.Noise","value":0.9})",
          R"({"type":"velmo.setParam","path":"strike.noise "})",
          R"({"type":"velmo.setParam","path":"strike.noise"})",  // no value
          R"({"type":"velmo.beginEdit","path":"nope"})", R"({"type":"velmo.endEdit"})",
          R"({"type":"velmo.setCcMap"})", R"({"type":"velmo.setState","state":null})",
          R"({"type":"velmo.unknown","path":"strike.noise","value":1})", R"({})"})
        EXPECT_EQ(rig.deliver(text), 1) << text;
    EXPECT_TRUE(rig.edits.empty());
    EXPECT_TRUE(rig.page.empty());
    EXPECT_EQ(rig.normalized(3), before);
}

TEST_F(BundleDispatch, MalformedMessagesAreReportedWithTheirByteCount) {
    const double before = rig.normalized(6);
    const std::string bad[] = {R"({"type":"velmo.setParam","path":"ir.size","value":"2"})",
                               R"({"type":"velmo.ready"} x)", "", "{", R"({"type":"velmo.ready",})"};
    for (const std::string& text : bad) {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(rig.deliver(text), 1);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(err, "velmo-plugin-shell: malformed bridge message (" + std::to_string(text.size()) +
                           " bytes)\n");
    }
    EXPECT_EQ(rig.normalized(6), before);
    EXPECT_TRUE(rig.page.empty());
    EXPECT_TRUE(rig.edits.empty());

    // A valid message followed by bytes the length leaves out is read up to the length only.
    const std::string text = R"({"type":"velmo.ready"}garbage)";
    EXPECT_EQ(rig.api.deliver(rig.controller, text.data(), 22), 1);
    EXPECT_EQ(rig.pageOfType("velmo.hello").size(), 1u);
}

TEST_F(BundleDispatch, NotesAreLoggedOnly) {
    ::testing::internal::CaptureStderr();
    rig.deliver(R"({"type":"velmo.noteOn","note":60.7,"velocity":1})");
    rig.deliver(R"({"type":"velmo.noteOff","note":-1e300})");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "velmo-plugin-shell: bridge velmo.noteOn note=60\n"
              "velmo-plugin-shell: bridge velmo.noteOff note=-2147483648\n");
    EXPECT_EQ(rig.processor->messages.size(), 0u) << "no note goes to the processor";
    EXPECT_TRUE(rig.page.empty());
}

TEST_F(BundleDispatch, GetStateAnswersTheStateAndLogsIt) {
    rig.deliver(R"({"type":"velmo.diag.subscribe","feeds":["lifecycle"],"hz":30})");
    rig.clear();
    rig.deliver(R"({"type":"velmo.getState"})");
    const auto states = rig.pageOfType("velmo.state");
    ASSERT_EQ(states.size(), 1u);
    const std::string prefix = R"({"type":"velmo.state","state":)";
    const std::string state = states[0].substr(prefix.size(), states[0].size() - prefix.size() - 1);
    EXPECT_EQ(state.rfind(R"({"params":{"ir.family":0,"strike.position":0.15,)", 0), 0u) << state;
    EXPECT_FALSE(contains(state, "\"ccMap\""));
    EXPECT_FALSE(contains(state, "\"sampler\""));

    const auto events = rig.pageOfType("velmo.lifecycle");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_TRUE(contains(events[0], R"("kind":"stateSaved","detail":{"stateBytes":)" +
                                        std::to_string(state.size()) + R"(,"source":"ui"}})"))
        << events[0];

    rig.deliver(R"({"type":"velmo.ready"})");
    EXPECT_TRUE(contains(rig.page.back(), ",\"lastStateBytes\":" + std::to_string(state.size()) + "}"));
}

TEST_F(BundleDispatch, SetStateRunsAGesturePerParameterAndAdoptsTheMap) {
    rig.deliver(R"({"type":"velmo.diag.subscribe","feeds":["lifecycle"],"hz":30})");
    rig.clear();
    const std::string text =
        R"({"type":"velmo.setState","state":{"params":{"ir.size":2.0,"strike.position":0.5},)"
        R"("ccMap":{"version":1,"bindings":[{"cc":7,"path":"master.level"}]}}})";
    rig.deliver(text);
    ASSERT_EQ(rig.edits.size(), 6u) << "the host hears of the new mapping at the next tick";
    rig.tick();

    ASSERT_EQ(rig.edits.size(), 7u);
    const EditRecord::Kind gesture[] = {EditRecord::Begin, EditRecord::Perform, EditRecord::End};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(rig.edits[i].kind, gesture[i % 3]);
        EXPECT_EQ(rig.edits[i].id, i < 3 ? 1u : 6u) << "id order";
    }
    EXPECT_EQ(rig.edits[1].value, 0.5);
    EXPECT_EQ(rig.edits[4].value, 1.0);
    EXPECT_EQ(rig.edits.back().kind, EditRecord::Restart) << "MIDI mapping changed";
    EXPECT_EQ(rig.pageOfType("velmo.paramChanged").size(), 2u) << "page-set state is echoed";
    ASSERT_EQ(rig.pageOfType("velmo.ccMapChanged").size(), 1u);
    EXPECT_EQ(rig.processorCount("velmo.ccMap"), 1u);

    const auto events = rig.pageOfType("velmo.lifecycle");
    ASSERT_FALSE(events.empty());
    EXPECT_TRUE(contains(events.back(), R"("kind":"stateRestored","detail":{"stateBytes":)" +
                                            std::to_string(text.size()) + R"(,"source":"ui"}})"))
        << events.back();
    Steinberg::Vst::ParamID mapped = 99;
    {
        Steinberg::FUnknownPtr<Steinberg::Vst::IMidiMapping> mapping(rig.controller);
        ASSERT_TRUE(mapping);
        EXPECT_EQ(mapping->getMidiControllerAssignment(0, 0, 7, mapped), Steinberg::kResultOk);
        EXPECT_EQ(mapped, 9u);
    }
}

TEST_F(BundleDispatch, CcMapEditsAnswerTheNewMap) {
    rig.deliver(R"({"type":"velmo.setCcMap","map":{"bindings":[{"cc":74,"path":"ir.decayScale","channel":3}]}})");
    ASSERT_EQ(rig.page.size(), 1u);
    EXPECT_EQ(rig.page[0], R"({"type":"velmo.ccMapChanged","map":{"version":1,"bindings":[)"
                           R"({"cc":74,"path":"ir.decayScale","channel":3}]}})");
    ASSERT_EQ(rig.processorCount("velmo.ccMap"), 1u);
    EXPECT_EQ(*rig.processor->withId("velmo.ccMap")[0].json,
              R"({"version":1,"bindings":[{"cc":74,"path":"ir.decayScale","channel":3}]})");

    rig.deliver(R"({"type":"velmo.ready"})");
    EXPECT_TRUE(contains(rig.page.back(), R"(,"ccMap":{"version":1,"bindings":[{"cc":74,)"));
}

TEST_F(BundleDispatch, SubscribeReplaysTellsTransportAndResetsThePoll) {
    TransportFact fact;
    fact.playing = 1;
    fact.hasTempo = 1;
    fact.tempo = 120;
    rig.sendTransport(fact);
    rig.clear();

    rig.deliver(R"({"type":"velmo.diag.subscribe","feeds":["lifecycle","transport"],"hz":120})");
    ASSERT_EQ(rig.page.size(), 2u);
    EXPECT_EQ(rig.page[0].rfind(R"({"type":"velmo.lifecycle","events":[{"seq":1,)", 0), 0u) << rig.page[0];
    EXPECT_TRUE(contains(rig.page[0], R"("kind":"created")"));
    EXPECT_EQ(rig.page[1].rfind(R"({"type":"velmo.transport","frame":{"atFrame":0,"source":"none",)"
                                R"("state":{"playing":true,)",
                                0),
              0u)
        << rig.page[1];
    const auto polls = rig.processor->withId("velmo.diag.transportPoll");
    ASSERT_EQ(polls.size(), 1u);
    EXPECT_EQ(polls[0].reset, 1);

    // After the reset the next fact is new: pushed at once, and no tempo change is recorded.
    rig.clear();
    fact.tempo = 90;
    rig.sendTransport(fact);
    EXPECT_EQ(rig.pageOfType("velmo.transport").size(), 1u);
    EXPECT_TRUE(rig.pageOfType("velmo.lifecycle").empty());

    // Unsubscribed: nothing more is published.
    rig.deliver(R"({"type":"velmo.diag.unsubscribe"})");
    rig.clear();
    fact.tempo = 100;
    rig.sendTransport(fact);
    rig.deliver(R"({"type":"velmo.getState"})");
    EXPECT_TRUE(rig.pageOfType("velmo.transport").empty());
    EXPECT_TRUE(rig.pageOfType("velmo.lifecycle").empty());

    // A stimulus does nothing at all.
    rig.clear();
    rig.deliver(R"({"type":"velmo.diag.stimulus","stimulus":{"kind":"noteOn"}})");
    EXPECT_TRUE(rig.page.empty());
    EXPECT_TRUE(rig.processor->messages.empty());
}

}  // namespace
}  // namespace velmo::test
