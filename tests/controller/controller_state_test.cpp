// Component and controller state, CC map adoption and the host's MIDI-mapping questions.
#include <string>

#include <gtest/gtest.h>

#include "controller_rig.h"

namespace velmo {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using test::ControllerRig;
using test::streamBytes;
using test::streamOf;

constexpr const char* MAP_STATE =
    "{\"ccMap\":{\"version\":1,\"bindings\":["
    "{\"cc\":0,\"path\":\"ir.family\"},"
    "{\"cc\":7,\"path\":\"master.level\",\"channel\":3},"
    "{\"cc\":11,\"path\":\"strike.noise\",\"enabled\":false},"
    "{\"cc\":11,\"path\":\"ir.size\"}]}}";

TEST(ControllerComponentState, PlainValuesBecomeClampedNormalizedValues) {
    const struct {
        const char* path;
        double plain;
        ParamID id;
        double normalized;
    } cases[] = {
        {"ir.decayScale", 2.5, 4, 1.0},   {"ir.decayScale", 9.0, 4, 1.0},
        {"ir.decayScale", 0.0, 4, 0.0},   {"ir.family", 2.0, 0, 0.5},
        {"ir.family", 2.4, 0, 0.6},       {"ir.family", 7.0, 0, 1.0},
        {"ir.damping", 3.0, 5, 1.0},      {"ir.size", 1.25, 6, 0.5},
        {"amp.release", 4.0, 8, 1.0},     {"amp.release", 0.02, 8, 0.0},
        {"master.level", -1.0, 9, 0.0},   {"strike.position", 0.25, 1, 0.25},
        {"ir.stereoWidth", 1.5, 7, 1.0},
    };
    for (const auto& c : cases) {
        ControllerRig rig;
        const std::string text =
            std::string("{\"params\":{\"") + c.path + "\":" + std::to_string(c.plain) + "}}";
        ASSERT_EQ(rig.controller->setComponentState(streamOf(text)), kResultOk) << text;
        EXPECT_DOUBLE_EQ(rig.normalized(c.id), c.normalized) << text;
        for (ParamID other = 0; other < VELMO_PARAM_COUNT; ++other) {
            if (other == c.id) continue;
            EXPECT_EQ(rig.normalized(other), VELMO_PARAMS[other].defaultNormalized);
        }
    }
}

TEST(ControllerComponentState, NonFiniteWordsNeverReachAParameter) {
    ControllerRig rig;
    EXPECT_EQ(rig.controller->setComponentState(streamOf(
                  "{\"params\":{\"ir.size\":nan,\"ir.damping\":1e999,\"ir.family\":-1e999}}")),
              kResultOk);
    for (ParamID id = 0; id < VELMO_PARAM_COUNT; ++id) {
        const double v = rig.normalized(id);
        EXPECT_TRUE(v >= 0.0 && v <= 1.0) << id << " " << v;
    }
}

TEST(ControllerComponentState, RestoreIsEchoedRecordedAndSized) {
    ControllerRig rig;
    rig.openPage(DIAGNOSTIC_FEED_LIFECYCLE);
    const std::string text = "{\"params\":{\"strike.noise\":0.5,\"ir.size\":2}}";
    ASSERT_EQ(rig.controller->setComponentState(streamOf(text)), kResultOk);
    EXPECT_EQ(rig.controller->presetState().lastStateBytes, static_cast<int64>(text.size()));
    const auto changes = rig.pageOfType("velmo.paramChanged");
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_NE(changes[0].find("\"strike.noise\""), std::string::npos);
    EXPECT_NE(changes[1].find("\"ir.size\",\"value\":2,\"normalized\":1}"), std::string::npos);
    EXPECT_TRUE(rig.handler->edits().empty());  // a restore is not an edit
    const auto lifecycle = rig.pageOfType("velmo.lifecycle");
    ASSERT_EQ(lifecycle.size(), 1u);
    EXPECT_NE(lifecycle[0].find("\"kind\":\"stateRestored\",\"detail\":{\"stateBytes\":" +
                                std::to_string(text.size()) + ",\"source\":\"component\"}"),
              std::string::npos)
        << lifecycle[0];
}

TEST(ControllerComponentState, MalformedOrMissingStateChangesNothing) {
    ControllerRig rig;
    const std::uint32_t events = rig.controller->lifecycleLog().count();
    for (const char* text : {"", "{", "{\"params\":{\"ir.size\":2}}x", "[]",
                             "{\"params\":{\"ir.size\":2},\"variation\":\"one\"}"}) {
        EXPECT_EQ(rig.controller->setComponentState(streamOf(text)), kResultFalse) << text;
    }
    EXPECT_EQ(rig.controller->setComponentState(nullptr), kResultFalse);
    EXPECT_EQ(rig.normalized(6), VELMO_PARAMS[6].defaultNormalized);
    EXPECT_EQ(rig.controller->lifecycleLog().count(), events);
    EXPECT_EQ(rig.controller->presetState().lastStateBytes, -1);
    EXPECT_FALSE(rig.controller->hasCcMap());
}

TEST(ControllerComponentState, StateLongerThanOneReadChunkIsReadWhole) {
    // 4095, 4096, 4097 and 8192 bytes, and more.
    for (std::size_t padding : {4059, 4060, 4061, 8156, 10000}) {
        ControllerRig rig;
        // The value sits at the very end, past the first 4096-byte read.
        std::string text = "{\"params\":{\"pad\":\"" + std::string(padding, 'p') + "\"";
        text += ",\"ir.damping\":3}}";
        ASSERT_EQ(rig.controller->setComponentState(streamOf(text)), kResultOk) << text.size();
        EXPECT_EQ(rig.normalized(5), 1.0) << text.size();
        EXPECT_EQ(rig.controller->presetState().lastStateBytes, static_cast<int64>(text.size()));
    }
}

TEST(ControllerComponentState, CarriedCcMapIsAdoptedAndAnnounced) {
    ControllerRig rig;
    rig.openPage();
    ASSERT_EQ(rig.controller->setComponentState(streamOf(MAP_STATE)), kResultOk);
    ASSERT_TRUE(rig.controller->hasCcMap());
    EXPECT_EQ(rig.controller->ccMap().count, 4u);
    EXPECT_EQ(rig.restarts(kMidiCCAssignmentChanged), 0) << "never from inside the host's call";
    rig.controller->tickCadence();
    EXPECT_EQ(rig.restarts(kMidiCCAssignmentChanged), 1);

    const auto sent = rig.processor->withId("velmo.ccMap");
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_TRUE(sent[0].json.has_value());
    EXPECT_EQ(sent[0].json->rfind("{\"version\":1,\"bindings\":[{\"cc\":0,\"path\":\"ir.family\"}", 0),
              0u);
    const auto announced = rig.pageOfType("velmo.ccMapChanged");
    ASSERT_EQ(announced.size(), 1u);
    EXPECT_EQ(announced[0], "{\"type\":\"velmo.ccMapChanged\",\"map\":" + *sent[0].json + "}");
    const auto& last = rig.controller->lifecycleLog().at(rig.controller->lifecycleLog().count() - 1);
    EXPECT_EQ(last.kind, DiagnosticLifecycleKind::StateRestored);
    const auto& before = rig.controller->lifecycleLog().at(rig.controller->lifecycleLog().count() - 2);
    EXPECT_EQ(before.kind, DiagnosticLifecycleKind::CcMapChanged);
    EXPECT_EQ(before.details[0].number, 4.0);
}

TEST(ControllerState, WithoutAMapTheControllerStateIsAnEmptyObject) {
    ControllerRig rig;
    auto out = owned(new MemoryStream());
    ASSERT_EQ(rig.controller->getState(out), kResultOk);
    EXPECT_EQ(streamBytes(*out), "{}");
    EXPECT_EQ(rig.controller->getState(nullptr), kResultFalse);
}

TEST(ControllerState, MapSurvivesASaveAndRestoreIntoAFreshController) {
    ControllerRig first;
    ASSERT_EQ(first.controller->setState(streamOf(MAP_STATE)), kResultOk);
    auto saved = owned(new MemoryStream());
    ASSERT_EQ(first.controller->getState(saved), kResultOk);
    const std::string text = streamBytes(*saved);
    EXPECT_EQ(text.rfind("{\"ccMap\":{\"version\":1,\"bindings\":[", 0), 0u) << text;
    EXPECT_NE(text.find("{\"cc\":11,\"path\":\"strike.noise\",\"enabled\":false}"), std::string::npos);

    ControllerRig second;
    ASSERT_EQ(second.controller->setState(streamOf(text)), kResultOk);
    EXPECT_TRUE(ccMapsEqual(first.controller->ccMap(), second.controller->ccMap()));
}

TEST(ControllerState, ParameterValuesInControllerStateAreIgnored) {
    ControllerRig rig;
    EXPECT_EQ(rig.controller->setState(streamOf("")), kResultOk);
    EXPECT_EQ(rig.controller->setState(nullptr), kResultFalse);
    EXPECT_EQ(rig.controller->setState(streamOf("{\"ccMap\":")), kResultFalse);
    EXPECT_EQ(rig.controller->setState(streamOf("{\"params\":{\"ir.size\":2}}")), kResultOk);
    EXPECT_EQ(rig.normalized(6), VELMO_PARAMS[6].defaultNormalized);
    EXPECT_FALSE(rig.controller->hasCcMap());
}

TEST(ControllerMidiMapping, AnswersFromTheCcMapOnBusZeroOnly) {
    ControllerRig rig;
    ParamID id = 99;
    EXPECT_EQ(rig.controller->getMidiControllerAssignment(0, 0, 0, id), kResultFalse);  // no map

    ASSERT_EQ(rig.controller->setState(streamOf(MAP_STATE)), kResultOk);
    ASSERT_EQ(rig.controller->getMidiControllerAssignment(0, 5, 0, id), kResultOk);
    EXPECT_EQ(id, 0u);
    id = 99;
    EXPECT_EQ(rig.controller->getMidiControllerAssignment(1, 0, 0, id), kResultFalse);
    EXPECT_EQ(rig.controller->getMidiControllerAssignment(0, 0, 128, id), kResultFalse);
    EXPECT_EQ(rig.controller->getMidiControllerAssignment(0, 0, -1, id), kResultFalse);
    EXPECT_EQ(rig.controller->getMidiControllerAssignment(-1, 0, 0, id), kResultFalse);
    EXPECT_EQ(id, 99u);

    // Channel 3 (counted from 1) is VST3 channel index 2 and nothing else.
    ASSERT_EQ(rig.controller->getMidiControllerAssignment(0, 2, 7, id), kResultOk);
    EXPECT_EQ(id, 9u);
    for (int16 channel : {0, 1, 3, 15})
        EXPECT_EQ(rig.controller->getMidiControllerAssignment(0, channel, 7, id), kResultFalse)
            << channel;

    // A disabled binding is passed over for the next one with the same CC.
    ASSERT_EQ(rig.controller->getMidiControllerAssignment(0, 0, 11, id), kResultOk);
    EXPECT_EQ(id, 6u);
    EXPECT_EQ(rig.controller->getMidiControllerAssignment(0, 0, 12, id), kResultFalse);
}

TEST(ControllerMidiMapping, AdoptingAMapAsksTheHostToRescan) {
    ControllerRig rig;
    CcMap map;
    map.count = 2;
    map.bindings[0].paramId = 12;  // never mapped
    map.bindings[0].cc = 20;
    map.bindings[1].paramId = 3;
    map.bindings[1].cc = 20;
    rig.controller->adoptCcMap(map, false);
    rig.controller->tickCadence();
    EXPECT_EQ(rig.restarts(kMidiCCAssignmentChanged), 1);
    ParamID id = 0;
    ASSERT_EQ(rig.controller->getMidiControllerAssignment(0, 0, 20, id), kResultOk);
    EXPECT_EQ(id, 3u);
}

}  // namespace
}  // namespace velmo
