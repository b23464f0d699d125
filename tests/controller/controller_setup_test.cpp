// What a host sees right after creating and initialising the controller.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "controller_rig.h"
#include "params/factory_presets.h"
#include "pluginterfaces/base/ustring.h"
#include "pluginterfaces/vst/ivstunits.h"

namespace velmo {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using test::ControllerRig;

std::string ascii(const TChar* text) {
    char out[256] = {};
    UString(const_cast<TChar*>(text), 128).toAscii(out, sizeof out);
    return out;
}

TEST(ControllerSetup, EveryTableRowIsAParameterWithItsInfo) {
    ControllerRig rig;
    ASSERT_EQ(rig.controller->getParameterCount(), 11);
    for (uint32 id = 0; id < VELMO_PARAM_COUNT; ++id) {
        const velmo_param_desc& row = VELMO_PARAMS[id];
        ParameterInfo info{};
        ASSERT_EQ(rig.controller->getParameterInfo(static_cast<int32>(id), info), kResultOk);
        EXPECT_EQ(info.id, id);
        EXPECT_EQ(ascii(info.title), row.name);
        EXPECT_EQ(ascii(info.shortTitle), row.name);
        EXPECT_EQ(ascii(info.units), row.unit);
        EXPECT_EQ(info.stepCount, id == 0 ? 4 : 0) << row.path;
        EXPECT_EQ(info.defaultNormalizedValue, row.defaultNormalized);
        EXPECT_EQ(info.unitId, kRootUnitId);
        EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate);
        EXPECT_EQ(rig.normalized(id), row.defaultNormalized);
    }
}

TEST(ControllerSetup, ProgramChangeParameterIsAListThatCannotBeAutomated) {
    ControllerRig rig;
    ParameterInfo info{};
    ASSERT_EQ(rig.controller->getParameterInfo(10, info), kResultOk);
    EXPECT_EQ(info.id, PROGRAM_CHANGE_PARAM_ID);
    EXPECT_EQ(info.stepCount, 9);
    EXPECT_EQ(info.unitId, kRootUnitId);
    EXPECT_EQ(info.flags & ParameterInfo::kCanAutomate, 0);
    EXPECT_NE(info.flags & ParameterInfo::kIsProgramChange, 0);
    EXPECT_NE(info.flags & ParameterInfo::kIsList, 0);

    String128 text{};
    ASSERT_EQ(rig.controller->getParamStringByValue(PROGRAM_CHANGE_PARAM_ID, 1.0, text), kResultOk);
    EXPECT_EQ(ascii(text), "Meditation Bowl");
}

TEST(ControllerSetup, RootUnitAndFactoryProgramList) {
    ControllerRig rig;
    ASSERT_EQ(rig.controller->getUnitCount(), 1);
    UnitInfo unit{};
    ASSERT_EQ(rig.controller->getUnitInfo(0, unit), kResultOk);
    EXPECT_EQ(unit.id, 0);
    EXPECT_EQ(unit.parentUnitId, -1);
    EXPECT_EQ(unit.programListId, FACTORY_PROGRAM_LIST_ID);
    EXPECT_EQ(ascii(unit.name), "Root");

    ASSERT_EQ(rig.controller->getProgramListCount(), 1);
    ProgramListInfo list{};
    ASSERT_EQ(rig.controller->getProgramListInfo(0, list), kResultOk);
    EXPECT_EQ(list.id, FACTORY_PROGRAM_LIST_ID);
    EXPECT_EQ(list.programCount, 10);
    EXPECT_EQ(ascii(list.name), "Factory Presets");
    for (int32 i = 0; i < 10; ++i) {
        String128 name{};
        ASSERT_EQ(rig.controller->getProgramName(FACTORY_PROGRAM_LIST_ID, i, name), kResultOk);
        EXPECT_EQ(ascii(name), VELMO_FACTORY_PRESETS[i].name);
    }
    EXPECT_EQ(rig.controller->presetState().factoryCount, 10u);
    EXPECT_FALSE(rig.controller->presetState().dirty);
    EXPECT_EQ(rig.controller->presetState().lastStateBytes, -1);
}

TEST(ControllerSetup, InterfacesAndClassIdentity) {
    FUnknown* unknown = VelmoController::createInstance(nullptr);
    ASSERT_NE(unknown, nullptr);
    for (const FUID* iid : {&IEditController::iid, &IEditController2::iid, &IMidiMapping::iid,
                            &IUnitInfo::iid, &IConnectionPoint::iid, &FUnknown::iid}) {
        void* obj = nullptr;
        EXPECT_EQ(unknown->queryInterface(iid->toTUID(), &obj), kResultOk);
        if (obj != nullptr) static_cast<FUnknown*>(obj)->release();
    }
    void* obj = nullptr;
    EXPECT_NE(unknown->queryInterface(IComponent::iid, &obj), kResultOk);

    IEditController* controller = nullptr;
    ASSERT_EQ(unknown->queryInterface(IEditController::iid, reinterpret_cast<void**>(&controller)),
              kResultOk);
    auto* object = static_cast<VelmoController*>(controller);
    EXPECT_TRUE(object->isTypeOf("VelmoController", false));
    for (const char* base : {"EditControllerEx1", "EditController", "ComponentBase", "FObject"}) {
        EXPECT_TRUE(object->isTypeOf(base, true)) << base;
        EXPECT_FALSE(object->isTypeOf(base, false)) << base;
    }
    EXPECT_STREQ(object->isA(), "VelmoController");
    controller->release();
    unknown->release();
}

TEST(ControllerSetup, HostNameIsCapturedAndClassified) {
    const struct {
        const char* name;
        std::uint8_t kind;
    } cases[] = {
        {"Test Host", 0},          {"pluginval", 1},          {"Tracktion Pluginval", 1},
        {"auval", 3},              {"auval validator", 3},    {"clap-validator", 2},
        {"clap_validator 0.3", 2}, {"VST3 Validator", 4},     {"my validator", 4},
        {"velmo-probe", 5},        {"Velmo Probe", 5},        {"PLUGINVAL", 0},
        {"pluginval velmo", 1},
    };
    for (const auto& c : cases) {
        ControllerRig rig(c.name);
        EXPECT_STREQ(rig.controller->hostFacts().hostName, c.name);
        EXPECT_EQ(rig.controller->hostFacts().validatorHost, c.kind) << c.name;
    }
    const std::string longName(200, 'h');
    ControllerRig rig(longName.c_str());
    EXPECT_EQ(std::string(rig.controller->hostFacts().hostName), longName.substr(0, 127));
}

TEST(ControllerSetup, LifeIsRecordedFromCreatedToDestroyed) {
    test::NamedHostApplication host("Test Host");
    auto controller = owned(new VelmoController());
    ASSERT_EQ(controller->initialize(&host), kResultOk);
    ASSERT_EQ(controller->lifecycleLog().count(), 1u);
    EXPECT_EQ(controller->lifecycleLog().at(0).kind, DiagnosticLifecycleKind::Created);
    EXPECT_EQ(controller->lifecycleLog().at(0).seq, 1u);

    std::vector<std::string> page;
    controller->setBridgeSink([&page](const std::string& d) { page.push_back(d); });
    controller->subscribeDiagnostics(DIAGNOSTIC_FEED_LIFECYCLE, 30);
    page.clear();
    EXPECT_EQ(controller->terminate(), kResultOk);
    ASSERT_EQ(controller->lifecycleLog().count(), 2u);
    EXPECT_EQ(controller->lifecycleLog().at(1).kind, DiagnosticLifecycleKind::Destroyed);
    ASSERT_EQ(page.size(), 1u);
    EXPECT_NE(page[0].find("\"kind\":\"destroyed\"}]}"), std::string::npos) << page[0];
    EXPECT_EQ(controller->getParameterCount(), 0);

    // A host may initialise the same object again: everything is rebuilt once, not twice.
    ASSERT_EQ(controller->initialize(&host), kResultOk);
    EXPECT_EQ(controller->initialize(&host), kResultFalse);
    EXPECT_EQ(controller->getParameterCount(), 11);
    EXPECT_EQ(controller->getUnitCount(), 1);
    EXPECT_EQ(controller->getProgramListCount(), 1);
    EXPECT_EQ(controller->lifecycleLog().at(2).kind, DiagnosticLifecycleKind::Created);
    EXPECT_EQ(controller->lifecycleLog().count(), 3u);
    controller->terminate();
}

}  // namespace
}  // namespace velmo
