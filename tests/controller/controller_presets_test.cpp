// Program changes, factory presets, dirty tracking and the page echo guard.
#include <string>

#include <gtest/gtest.h>

#include "controller_rig.h"
#include "params/factory_presets.h"

namespace velmo {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using test::ControllerRig;
using Edit = host::RecordingComponentHandler::Edit;

void expectPresetValues(ControllerRig& rig, std::uint32_t index) {
    for (uint32 id = 0; id < VELMO_PARAM_COUNT; ++id)
        EXPECT_EQ(rig.normalized(id), VELMO_FACTORY_PRESETS[index].values[id]) << "param " << id;
}

TEST(ControllerPresets, ProgramChangeValueSelectsRoundedIndex) {
    const struct {
        double value;
        std::uint32_t index;
    } cases[] = {{1.0, 9}, {0.5, 5}, {0.0, 0}, {0.3, 3}, {0.05, 0}, {0.06, 1}};
    for (const auto& c : cases) {
        ControllerRig rig;
        bool changes = false;
        for (uint32 id = 0; id < VELMO_PARAM_COUNT; ++id)
            changes = changes || rig.normalized(id) != VELMO_FACTORY_PRESETS[c.index].values[id];
        ASSERT_EQ(rig.controller->setParamNormalized(PROGRAM_CHANGE_PARAM_ID, c.value), kResultOk);
        EXPECT_STREQ(rig.controller->presetState().currentId, VELMO_FACTORY_PRESETS[c.index].id)
            << c.value;
        EXPECT_STREQ(rig.controller->presetState().currentName,
                     VELMO_FACTORY_PRESETS[c.index].name);
        expectPresetValues(rig, c.index);
        // The host hears of it at the next tick, not from inside its own call, and only once
        // the values differ.
        EXPECT_EQ(rig.restarts(kParamValuesChanged), 0);
        rig.controller->tickCadence();
        EXPECT_EQ(rig.restarts(kParamValuesChanged), changes ? 1 : 0);
        rig.controller->setParamNormalized(PROGRAM_CHANGE_PARAM_ID, c.value);
        rig.controller->tickCadence();
        EXPECT_EQ(rig.restarts(kParamValuesChanged), changes ? 1 : 0) << "the same program again";
    }
}

TEST(ControllerPresets, OutOfRangeProgramValueSelectsTheProgramTheParameterShows) {
    ControllerRig rig;
    rig.controller->setParamNormalized(PROGRAM_CHANGE_PARAM_ID, -0.5);
    EXPECT_STREQ(rig.controller->presetState().currentId, "factory-1");
    rig.controller->setParamNormalized(PROGRAM_CHANGE_PARAM_ID, 7.0);
    EXPECT_STREQ(rig.controller->presetState().currentId, "factory-10");
}

TEST(ControllerPresets, ApplyingAPresetIsTenSeparateGesturesInIdOrder) {
    ControllerRig rig;
    rig.openPage(DIAGNOSTIC_FEED_LIFECYCLE);
    rig.handler->clear();
    rig.controller->applyFactoryPreset(2);

    const double* values = VELMO_FACTORY_PRESETS[2].values;
    ASSERT_EQ(rig.handler->edits().size(), 30u);
    for (uint32 id = 0; id < VELMO_PARAM_COUNT; ++id) {
        const Edit* c = &rig.handler->edits()[id * 3];
        EXPECT_EQ(c[0].kind, Edit::Kind::Begin);
        EXPECT_EQ(c[1].kind, Edit::Kind::Perform);
        EXPECT_EQ(c[2].kind, Edit::Kind::End);
        EXPECT_EQ(c[0].id, id);
        EXPECT_EQ(c[1].id, id);
        EXPECT_EQ(c[2].id, id);
        EXPECT_EQ(c[1].value, values[id]);
    }
    expectPresetValues(rig, 2);

    // Ten page updates, even for values that did not change, in id order.
    const auto changes = rig.pageOfType("velmo.paramChanged");
    ASSERT_EQ(changes.size(), 10u);
    for (uint32 id = 0; id < VELMO_PARAM_COUNT; ++id)
        EXPECT_NE(changes[id].find(std::string("\"path\":\"") + VELMO_PARAMS[id].path + "\""),
                  std::string::npos);

    const auto lifecycle = rig.pageOfType("velmo.lifecycle");
    ASSERT_EQ(lifecycle.size(), 1u);
    EXPECT_NE(lifecycle[0].find("\"kind\":\"presetLoaded\",\"detail\":{\"id\":\"factory-3\","
                                "\"name\":\"Angelus Toll\",\"index\":2,\"origin\":\"factory\"}"),
              std::string::npos)
        << lifecycle[0];
    // The event is published before the parameter updates.
    EXPECT_EQ(rig.page.front(), lifecycle[0]);

    const auto loaded = rig.processor->withId("velmo.diag.presetLoaded");
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].json.value_or(""), "");
    EXPECT_EQ(rig.restarts(kParamValuesChanged), 0);  // only program changes restart
}

TEST(ControllerPresets, IndexPastTheTableChangesNothing) {
    ControllerRig rig;
    rig.handler->clear();
    const std::uint32_t events = rig.controller->lifecycleLog().count();
    rig.controller->applyFactoryPreset(10);
    rig.controller->applyFactoryPreset(0xFFFFFFFFu);
    EXPECT_TRUE(rig.handler->edits().empty());
    EXPECT_EQ(rig.controller->lifecycleLog().count(), events);
    EXPECT_STREQ(rig.controller->presetState().currentId, "");
    EXPECT_TRUE(rig.processor->withId("velmo.diag.presetLoaded").empty());
}

TEST(ControllerPresets, DirtyTracksExactValuesOfTheLastAppliedPreset) {
    ControllerRig rig;
    rig.controller->setParamNormalized(3, 0.9);
    EXPECT_FALSE(rig.controller->presetDirty());  // nothing applied yet

    rig.controller->applyFactoryPreset(2);
    EXPECT_FALSE(rig.controller->presetDirty());
    const double stored = VELMO_FACTORY_PRESETS[2].values[9];
    rig.controller->setParamNormalized(9, stored + 1e-12);
    EXPECT_TRUE(rig.controller->presetDirty());
    rig.controller->refreshPresetState();
    EXPECT_TRUE(rig.controller->presetState().dirty);
    rig.controller->setParamNormalized(9, stored);
    EXPECT_FALSE(rig.controller->presetDirty());
    rig.controller->refreshPresetState();
    EXPECT_FALSE(rig.controller->presetState().dirty);

    rig.controller->setParamNormalized(0, 1.0);
    EXPECT_TRUE(rig.controller->presetDirty());
    rig.controller->applyFactoryPreset(9);
    EXPECT_FALSE(rig.controller->presetDirty());
}

TEST(ControllerPresets, HostChangesAreEchoedToThePageWithPlainValues) {
    ControllerRig rig;
    rig.openPage();
    EXPECT_EQ(rig.controller->setParamNormalized(4, 0.5), kResultOk);
    EXPECT_EQ(rig.controller->setParamNormalized(0, 0.625), kResultOk);
    EXPECT_EQ(rig.controller->setParamNormalized(42, 0.5), kResultFalse);
    ASSERT_EQ(rig.page.size(), 2u);
    EXPECT_EQ(rig.page[0], "{\"type\":\"velmo.paramChanged\",\"path\":\"ir.decayScale\","
                           "\"value\":1.3499999999999999,\"normalized\":0.5}");
    EXPECT_EQ(rig.page[1], "{\"type\":\"velmo.paramChanged\",\"path\":\"ir.family\","
                           "\"value\":3,\"normalized\":0.625}");
}

TEST(ControllerPresets, PageEditIsNotEchoedButTheNextHostChangeIs) {
    ControllerRig rig;
    rig.openPage();
    rig.handler->clear();

    rig.controller->setParamFromPage(6, 1.0);
    EXPECT_EQ(rig.normalized(6), 1.0);
    EXPECT_TRUE(rig.page.empty());
    ASSERT_EQ(rig.handler->edits().size(), 1u);  // the page sends its own begin and end
    EXPECT_EQ(rig.handler->edits()[0].kind, Edit::Kind::Perform);
    EXPECT_EQ(rig.handler->edits()[0].id, 6u);
    EXPECT_EQ(rig.handler->edits()[0].value, 1.0);

    // The guard is used up: the host's echo of the same value reaches the page.
    rig.controller->setParamNormalized(6, 1.0);
    ASSERT_EQ(rig.page.size(), 1u);
    EXPECT_NE(rig.page[0].find("\"path\":\"ir.size\",\"value\":2,\"normalized\":1}"),
              std::string::npos)
        << rig.page[0];

    // Page edits of other parameters are equally silent.
    rig.page.clear();
    rig.controller->setParamFromPage(2, 0.25);
    rig.controller->setParamFromPage(8, 0.0);
    EXPECT_TRUE(rig.page.empty());
}

TEST(ControllerPresets, PageDocumentsAreDroppedWithoutASink) {
    ControllerRig rig;
    rig.controller->applyFactoryPreset(0);  // must not fail without a page
    rig.openPage();
    rig.controller->setBridgeSink(nullptr);
    rig.controller->setParamNormalized(1, 0.4);
    EXPECT_TRUE(rig.page.empty());
}

}  // namespace
}  // namespace velmo
