// Indices, ids and buffers a host gets wrong are refused with a result, never thrown or
// dereferenced, and leave the controller and the caller's record as they were.
#include <climits>
#include <cstring>

#include <gtest/gtest.h>

#include "controller_rig.h"
#include "pluginterfaces/vst/ivstunits.h"

namespace velmo {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using test::ControllerRig;

constexpr ParamID UNKNOWN_PARAM = 42;
constexpr int32 PROGRAM_COUNT = 10;
const int32 BAD_INDICES[] = {-1, INT_MIN, INT_MAX};

// A record filled with a pattern, to see that a refusal writes nothing into it.
template <typename T>
T marked() {
    T record;
    std::memset(&record, 0x5A, sizeof record);
    return record;
}

template <typename T>
bool untouched(const T& record) {
    const T pattern = marked<T>();
    return std::memcmp(&record, &pattern, sizeof record) == 0;
}

TEST(ControllerRefusals, ParameterUnitAndListIndicesOutsideTheirListsAreRefused) {
    ControllerRig rig;
    const int32 params = rig.controller->getParameterCount();
    const int32 units = rig.controller->getUnitCount();
    const int32 lists = rig.controller->getProgramListCount();
    for (int32 bad : BAD_INDICES) {
        auto info = marked<ParameterInfo>();
        EXPECT_EQ(rig.controller->getParameterInfo(bad, info), kResultFalse) << bad;
        EXPECT_TRUE(untouched(info)) << bad;
        auto unit = marked<UnitInfo>();
        EXPECT_EQ(rig.controller->getUnitInfo(bad, unit), kResultFalse) << bad;
        EXPECT_TRUE(untouched(unit)) << bad;
        auto list = marked<ProgramListInfo>();
        EXPECT_EQ(rig.controller->getProgramListInfo(bad, list), kResultFalse) << bad;
        EXPECT_TRUE(untouched(list)) << bad;
    }
    // One past the end is refused, the last entry still answers.
    ParameterInfo info{};
    EXPECT_EQ(rig.controller->getParameterInfo(params, info), kResultFalse);
    EXPECT_EQ(rig.controller->getParameterInfo(params - 1, info), kResultOk);
    EXPECT_EQ(info.id, PROGRAM_CHANGE_PARAM_ID);
    UnitInfo unit{};
    EXPECT_EQ(rig.controller->getUnitInfo(units, unit), kResultFalse);
    EXPECT_EQ(rig.controller->getUnitInfo(units - 1, unit), kResultOk);
    ProgramListInfo list{};
    EXPECT_EQ(rig.controller->getProgramListInfo(lists, list), kResultFalse);
    EXPECT_EQ(rig.controller->getProgramListInfo(lists - 1, list), kResultOk);
}

TEST(ControllerRefusals, ATerminatedControllerAnswersNothingByIndex) {
    test::NamedHostApplication host("Test Host");
    auto controller = owned(new VelmoController());
    ASSERT_EQ(controller->initialize(&host), kResultOk);
    ASSERT_EQ(controller->terminate(), kResultOk);
    ParameterInfo info{};
    UnitInfo unit{};
    ProgramListInfo list{};
    String128 name{};
    EXPECT_EQ(controller->getParameterInfo(0, info), kResultFalse);
    EXPECT_EQ(controller->getUnitInfo(0, unit), kResultFalse);
    EXPECT_EQ(controller->getProgramListInfo(0, list), kResultFalse);
    EXPECT_EQ(controller->getProgramName(FACTORY_PROGRAM_LIST_ID, 0, name), kResultFalse);
    EXPECT_EQ(controller->getParamStringByValue(0, 0.5, name), kResultFalse);
    EXPECT_EQ(controller->setParamNormalized(0, 0.5), kResultFalse);
    EXPECT_EQ(controller->selectUnit(kRootUnitId), kResultFalse);
}

TEST(ControllerRefusals, ProgramLookUpsNeedAKnownListAndAProgramInIt) {
    ControllerRig rig;
    const ProgramListID unknownList = FACTORY_PROGRAM_LIST_ID + 1;
    String128 name{};
    String128 value{};
    for (int32 bad : {-1, PROGRAM_COUNT, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(rig.controller->getProgramName(FACTORY_PROGRAM_LIST_ID, bad, name), kResultFalse);
        EXPECT_EQ(rig.controller->getProgramInfo(FACTORY_PROGRAM_LIST_ID, bad, "name", value),
                  kResultFalse);
        EXPECT_EQ(rig.controller->hasProgramPitchNames(FACTORY_PROGRAM_LIST_ID, bad), kResultFalse);
        EXPECT_EQ(rig.controller->getProgramPitchName(FACTORY_PROGRAM_LIST_ID, bad, 60, name),
                  kResultFalse);
        EXPECT_EQ(rig.controller->setUnitProgramData(FACTORY_PROGRAM_LIST_ID, bad, nullptr),
                  kResultFalse);
    }
    for (ProgramListID list : {unknownList, static_cast<ProgramListID>(kNoProgramListId), 0}) {
        SCOPED_TRACE(list);
        EXPECT_EQ(rig.controller->getProgramName(list, 0, name), kResultFalse);
        EXPECT_EQ(rig.controller->getProgramInfo(list, 0, "name", value), kResultFalse);
        EXPECT_EQ(rig.controller->hasProgramPitchNames(list, 0), kResultFalse);
        EXPECT_EQ(rig.controller->getProgramPitchName(list, 0, 60, name), kResultFalse);
    }
    // Pitches outside MIDI are only names that do not exist.
    for (int16 pitch : {-1, 128, SHRT_MIN})
        EXPECT_EQ(rig.controller->getProgramPitchName(FACTORY_PROGRAM_LIST_ID, 0, pitch, name),
                  kResultFalse);
    // The last program of the list still answers.
    EXPECT_EQ(rig.controller->getProgramName(FACTORY_PROGRAM_LIST_ID, PROGRAM_COUNT - 1, name),
              kResultOk);
}

TEST(ControllerRefusals, MissingOutputBuffersAreInvalidArguments) {
    ControllerRig rig;
    String128 value{};
    EXPECT_EQ(rig.controller->getParamStringByValue(0, 0.5, nullptr), kInvalidArgument);
    EXPECT_EQ(rig.controller->getProgramName(FACTORY_PROGRAM_LIST_ID, 0, nullptr),
              kInvalidArgument);
    EXPECT_EQ(rig.controller->getProgramInfo(FACTORY_PROGRAM_LIST_ID, 0, nullptr, value),
              kInvalidArgument);
    EXPECT_EQ(rig.controller->getProgramInfo(FACTORY_PROGRAM_LIST_ID, 0, "name", nullptr),
              kInvalidArgument);
    EXPECT_EQ(rig.controller->getProgramPitchName(FACTORY_PROGRAM_LIST_ID, 0, 60, nullptr),
              kInvalidArgument);
    // A missing input text is simply not a value.
    ParamValue v = 0.25;
    EXPECT_EQ(rig.controller->getParamValueByString(0, nullptr, v), kResultFalse);
    EXPECT_EQ(v, 0.25);
}

TEST(ControllerRefusals, UnknownParameterIdsChangeNothingAndReachNoOne) {
    ControllerRig rig;
    rig.openPage();
    rig.handler->clear();

    String128 text{};
    text[0] = 'x';
    EXPECT_EQ(rig.controller->getParamStringByValue(UNKNOWN_PARAM, 0.5, text), kResultFalse);
    EXPECT_EQ(text[0], 'x');
    ParamValue v = 0.25;
    String128 typed{'1', 0};
    EXPECT_EQ(rig.controller->getParamValueByString(UNKNOWN_PARAM, typed, v), kResultFalse);
    EXPECT_EQ(v, 0.25);
    // Conversions of an unknown id pass the value through; its value reads as zero.
    EXPECT_EQ(rig.controller->normalizedParamToPlain(UNKNOWN_PARAM, 0.3), 0.3);
    EXPECT_EQ(rig.controller->plainParamToNormalized(UNKNOWN_PARAM, 7.0), 7.0);
    EXPECT_EQ(rig.controller->getParamNormalized(UNKNOWN_PARAM), 0.0);

    for (ParamID id : {UNKNOWN_PARAM, PROGRAM_CHANGE_PARAM_ID + 1, ParamID(0xFFFFFFFF)})
        EXPECT_EQ(rig.controller->setParamNormalized(id, 0.5), kResultFalse) << id;
    EXPECT_TRUE(rig.page.empty());
    EXPECT_TRUE(rig.handler->edits().empty());
    EXPECT_TRUE(rig.handler->restarts().empty());
    EXPECT_TRUE(rig.processor->messages.empty());
}

TEST(ControllerRefusals, OnlyAnExistingUnitCanBeSelected) {
    ControllerRig rig;
    EXPECT_EQ(rig.controller->selectUnit(kRootUnitId), kResultOk);
    for (UnitID bad : {1, -1, kNoParentUnitId - 1, INT_MAX}) {
        EXPECT_EQ(rig.controller->selectUnit(bad), kResultFalse) << bad;
        EXPECT_EQ(rig.controller->getSelectedUnit(), kRootUnitId);
    }
}

TEST(ControllerRefusals, MidiChannelsOutsideSixteenAreRefusedEvenForAnyChannelBindings) {
    ControllerRig rig;
    CcMap map;
    map.count = 1;
    map.bindings[0].paramId = 4;
    map.bindings[0].cc = 1;
    map.bindings[0].channel = 0;  // any channel
    rig.controller->adoptCcMap(map, false);

    ParamID id = 99;
    for (int16 channel : {0, 15}) {
        ASSERT_EQ(rig.controller->getMidiControllerAssignment(0, channel, 1, id), kResultOk);
        EXPECT_EQ(id, 4u);
    }
    id = 99;
    for (int16 channel : {-1, 16, SHRT_MIN, SHRT_MAX})
        EXPECT_EQ(rig.controller->getMidiControllerAssignment(0, channel, 1, id), kResultFalse)
            << channel;
    EXPECT_EQ(id, 99u);
}

}  // namespace
}  // namespace velmo
