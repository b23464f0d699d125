// Program changes, factory presets, dirty tracking and the page echo guard.
#include <string>

#include <gtest/gtest.h>

#include "controller_rig.h"
#include "docs/state_json.h"
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

    // Ten page updates in id order: a fresh page has been sent none of them.
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

// The "dirty" member of the last "velmo.presetState" the page received, or "none".
std::string lastPageDirty(const ControllerRig& rig) {
    const auto docs = rig.pageOfType("velmo.presetState");
    if (docs.empty()) return "none";
    return docs.back().find("\"dirty\":true") != std::string::npos ? "true" : "false";
}

TEST(ControllerPresets, DirtyHoldsThroughAFloatHostAndFollowsEdits) {
    {
        ControllerRig rig;
        rig.controller->setParamNormalized(3, 0.9);
        EXPECT_FALSE(rig.controller->presetDirty());  // nothing applied yet
    }
    for (std::uint32_t index = 0; index < VELMO_FACTORY_PRESET_COUNT; ++index) {
        SCOPED_TRACE(VELMO_FACTORY_PRESETS[index].id);
        const double* values = VELMO_FACTORY_PRESETS[index].values;
        ControllerRig rig;
        rig.openPage();
        rig.controller->applyFactoryPreset(index);
        EXPECT_EQ(lastPageDirty(rig), "false");
        // The host hands back every value it recorded, as the float it keeps.
        for (uint32 id = 0; id < VELMO_PARAM_COUNT; ++id)
            rig.controller->setParamNormalized(id, static_cast<float>(values[id]));
        EXPECT_FALSE(rig.controller->presetDirty());
        EXPECT_EQ(rig.pageOfType("velmo.presetState").size(), 1u);

        const uint32 edited = index % VELMO_PARAM_COUNT;
        const double moved = values[edited] < 0.5 ? values[edited] + 0.25 : values[edited] - 0.25;
        rig.controller->setParamNormalized(edited, moved);
        EXPECT_TRUE(rig.controller->presetDirty());
        EXPECT_EQ(lastPageDirty(rig), "true");
        rig.controller->setParamFromPage(edited, static_cast<float>(values[edited]));
        EXPECT_FALSE(rig.controller->presetDirty());
        EXPECT_EQ(lastPageDirty(rig), "false");
        rig.controller->setParamNormalized(edited, values[edited]);
        EXPECT_FALSE(rig.controller->presetDirty());
        EXPECT_EQ(rig.pageOfType("velmo.presetState").size(), 3u);  // only when it changes
        rig.controller->refreshPresetState();
        EXPECT_FALSE(rig.controller->presetState().dirty);
    }
}

// However the host picks a factory preset, the page hears its name, clean.
TEST(ControllerPresets, PresetsChosenInTheHostReachThePageByName) {
    enum class Way { ProgramChange, StateOfFloats, StateOfDoubles };
    for (const Way way : {Way::ProgramChange, Way::StateOfFloats, Way::StateOfDoubles}) {
        for (const std::uint32_t index : {0u, 4u, 9u}) {
            SCOPED_TRACE(static_cast<int>(way));
            SCOPED_TRACE(index);
            const velmo_factory_preset& preset = VELMO_FACTORY_PRESETS[index];
            ControllerRig rig;
            rig.openPage();
            rig.controller->setParamNormalized(PROGRAM_CHANGE_PARAM_ID, 5.0 / 9.0);  // another one
            rig.controller->setParamNormalized(2, 0.001);
            rig.page.clear();
            if (way == Way::ProgramChange) {
                rig.controller->setParamNormalized(PROGRAM_CHANGE_PARAM_ID, static_cast<float>(index / 9.0));
            } else {
                double plain[VELMO_PARAM_COUNT];
                for (uint32 id = 0; id < VELMO_PARAM_COUNT; ++id) {
                    const double v = way == Way::StateOfFloats ? static_cast<float>(preset.values[id])
                                                                : preset.values[id];
                    plain[id] = velmo_param_to_plain(VELMO_PARAMS[id], v);
                }
                const std::string text = writeStateJson(plain, -1, nullptr, 0, 0, nullptr, nullptr, nullptr);
                ASSERT_EQ(rig.controller->setComponentState(test::streamOf(text)), kResultOk);
            }
            const auto docs = rig.pageOfType("velmo.presetState");
            ASSERT_FALSE(docs.empty());
            EXPECT_NE(docs.back().find(std::string("\"currentId\":\"") + preset.id +
                                       "\",\"currentName\":\"" + preset.name + "\",\"dirty\":false"),
                      std::string::npos)
                << docs.back();
            EXPECT_STREQ(rig.controller->presetState().currentName, preset.name);
        }
    }
}

TEST(ControllerPresets, RestoredValuesOfNoPresetLeaveItEdited) {
    ControllerRig rig;
    rig.openPage();
    rig.controller->applyFactoryPreset(3);
    ASSERT_EQ(rig.controller->setComponentState(test::streamOf("{\"params\":{\"ir.size\":1.99}}")), kResultOk);
    EXPECT_STREQ(rig.controller->presetState().currentId, "factory-4");
    EXPECT_EQ(lastPageDirty(rig), "true");
}

// Automation replayed with the transport stopped sends each value once; a new page, or the
// page's own edit, lets the next value through again.
TEST(ControllerPresets, OnlyChangedValuesTravelToThePage) {
    ControllerRig rig;
    rig.openPage();
    const struct {
        const char* step;
        uint32 id;
        double value;
        std::size_t sent;  // paramChanged documents so far
    } steps[] = {
        {"host", 3, 0.4, 1},     {"host", 3, 0.4, 1},      {"host", 3, 0.4, 1},
        {"host", 5, 0.4, 2},     {"host", 3, 0.41, 3},     {"host", 3, 0.41, 3},
        {"page", 3, 0.5, 3},     {"host", 3, 0.41, 4},     {"host", 3, 0.41, 4},
        {"hello", 0, 0, 4},      {"host", 3, 0.41, 5},     {"host", 5, 0.4, 6},
        {"sink", 0, 0, 6},       {"host", 5, 0.4, 7},      {"preset", 2, 0, 17},
        {"preset", 2, 0, 17},    {"host", 9, 0.2, 18},
    };
    std::size_t n = 0;
    for (const auto& s : steps) {
        const std::string step = s.step;
        if (step == "host") rig.controller->setParamNormalized(s.id, s.value);
        if (step == "page") rig.controller->setParamFromPage(s.id, s.value);
        if (step == "hello") rig.controller->sendHello();
        if (step == "sink")
            rig.controller->setBridgeSink([&rig](const std::string& doc) { rig.page.push_back(doc); });
        if (step == "preset") rig.controller->applyFactoryPreset(s.id);
        EXPECT_EQ(rig.pageOfType("velmo.paramChanged").size(), s.sent) << "step " << n;
        ++n;
    }
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
