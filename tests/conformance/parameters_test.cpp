// The controller as a host scans it: every parameter with consistent info and text round
// trips, the root unit and its program list, program changes reaching the processor, and MIDI
// controller assignments.
#include <cmath>
#include <string>

#include "bundle_fixture.h"
#include "params/factory_presets.h"
#include "params/param_table.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "public.sdk/source/common/memorystream.h"

namespace velmo::conformance {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

std::string text(const TChar* s) {
    std::string out;
    for (; *s != 0; ++s) out += *s < 0x80 ? static_cast<char>(*s) : '?';
    return out;
}

class Parameters : public PluginTest {};

TEST_F(Parameters, EveryParameterIsDescribedConsistently) {
    ASSERT_EQ(controller()->getParameterCount(), PARAMETER_COUNT + 1);
    for (int32 i = 0; i < controller()->getParameterCount(); ++i) {
        ParameterInfo info{};
        ASSERT_EQ(controller()->getParameterInfo(i, info), kResultOk);
        SCOPED_TRACE(text(info.title));
        EXPECT_FALSE(text(info.title).empty());
        EXPECT_GE(info.stepCount, 0);
        EXPECT_GE(info.defaultNormalizedValue, 0.0);
        EXPECT_LE(info.defaultNormalizedValue, 1.0);
        EXPECT_EQ(info.unitId, kRootUnitId);
        if (i < PARAMETER_COUNT) {
            EXPECT_EQ(info.id, static_cast<ParamID>(i)) << "ids in table order";
            EXPECT_EQ(text(info.title), VELMO_PARAMS[i].name);
            EXPECT_EQ(info.flags, static_cast<int32>(ParameterInfo::kCanAutomate));
            EXPECT_DOUBLE_EQ(controller()->getParamNormalized(info.id), info.defaultNormalizedValue)
                << "a fresh controller holds the defaults";
        } else {
            EXPECT_EQ(info.id, PROGRAM_PARAM);
            EXPECT_NE(info.flags & ParameterInfo::kIsProgramChange, 0);
            EXPECT_EQ(info.flags & ParameterInfo::kCanAutomate, 0);
            EXPECT_EQ(info.stepCount, 9);
        }
    }
}

// The SDK's parameter container and unit list index with at(): an index past the end must be
// refused before it gets there, or it throws through the interface into the host.
TEST_F(Parameters, IndexOutsideTheListIsRefused) {
    ParameterInfo none{};
    EXPECT_NE(controller()->getParameterInfo(PARAMETER_COUNT + 1, none), kResultOk);
    EXPECT_NE(controller()->getParameterInfo(-1, none), kResultOk);
    FUnknownPtr<IUnitInfo> units(controller());
    UnitInfo unit{};
    EXPECT_NE(units->getUnitInfo(1, unit), kResultOk);
    EXPECT_NE(units->getUnitInfo(-1, unit), kResultOk);
}

TEST_F(Parameters, TextsReadBackToTheValueTheyShow) {
    for (ParamID id = 0; id < PARAMETER_COUNT; ++id) {
        ParameterInfo info{};
        controller()->getParameterInfo(static_cast<int32>(id), info);
        for (int k = 0; k <= 100; ++k) {
            const double v = k / 100.0;
            String128 shown{};
            ASSERT_EQ(controller()->getParamStringByValue(id, v, shown), kResultOk);
            ParamValue back = -1.0;
            ASSERT_EQ(controller()->getParamValueByString(id, shown, back), kResultOk)
                << id << " does not read back \"" << text(shown) << "\"";
            if (info.stepCount > 0) {
                // A choice reads back as the choice it shows.
                const double step = std::floor(v * info.stepCount + 0.5) / info.stepCount;
                EXPECT_DOUBLE_EQ(back, step) << id << " at " << v;
            } else {
                // Texts are exact to single precision, as hosts keep values: the same float
                // normalised value or the same float plain value.
                const auto asFloat = [](double x) { return static_cast<float>(x); };
                EXPECT_TRUE(asFloat(back) == asFloat(v) ||
                            asFloat(controller()->normalizedParamToPlain(id, back)) ==
                                asFloat(controller()->normalizedParamToPlain(id, v)))
                    << id << " at " << v << " shown as " << text(shown) << " reads back " << back;
            }
            const double plain = controller()->normalizedParamToPlain(id, v);
            EXPECT_NEAR(controller()->plainParamToNormalized(id, plain), info.stepCount > 0 ? back : v, 1e-12);
        }
    }
}

TEST_F(Parameters, RootUnitCarriesTheFactoryProgramList) {
    FUnknownPtr<IUnitInfo> units(controller());
    ASSERT_TRUE(units);
    ASSERT_EQ(units->getUnitCount(), 1);
    UnitInfo root{};
    ASSERT_EQ(units->getUnitInfo(0, root), kResultOk);
    EXPECT_EQ(root.id, kRootUnitId);
    EXPECT_EQ(root.parentUnitId, kNoParentUnitId);
    EXPECT_EQ(text(root.name), "Root");
    EXPECT_EQ(root.programListId, static_cast<ProgramListID>(PROGRAM_PARAM));

    ASSERT_EQ(units->getProgramListCount(), 1);
    ProgramListInfo list{};
    ASSERT_EQ(units->getProgramListInfo(0, list), kResultOk);
    EXPECT_EQ(list.id, static_cast<ProgramListID>(PROGRAM_PARAM));
    EXPECT_EQ(text(list.name), "Factory Presets");
    ASSERT_EQ(list.programCount, 10);
    for (int32 i = 0; i < 10; ++i) {
        String128 name{};
        ASSERT_EQ(units->getProgramName(list.id, i, name), kResultOk);
        EXPECT_EQ(text(name), VELMO_FACTORY_PRESETS[i].name);
    }
    String128 name{};
    EXPECT_NE(units->getProgramName(list.id, 10, name), kResultOk);
    EXPECT_NE(units->getProgramName(list.id + 1, 0, name), kResultOk);
}

TEST_F(Parameters, ProgramChangeEditsEveryParameterAndTheProcessorFollows) {
    ASSERT_TRUE(start());
    controller()->setParamNormalized(PROGRAM_PARAM, 1.0);  // the last preset
    const auto& edits = plugin->handler().edits();
    ASSERT_EQ(edits.size(), 30u) << "ten begin/perform/end gestures";
    host::ProcessBlock block({2}, 64);
    block.begin(64);
    for (int id = 0; id < PARAMETER_COUNT; ++id) {
        EXPECT_EQ(edits[3 * id].kind, host::RecordingComponentHandler::Edit::Kind::Begin);
        EXPECT_EQ(edits[3 * id + 1].id, static_cast<ParamID>(id));
        EXPECT_EQ(edits[3 * id + 1].value, VELMO_FACTORY_PRESETS[9].values[id]);
        EXPECT_EQ(edits[3 * id + 2].kind, host::RecordingComponentHandler::Edit::Kind::End);
        // What a host does with performed edits: hand them to the processor.
        block.params().add(edits[3 * id + 1].id, 0, edits[3 * id + 1].value);
    }
    EXPECT_TRUE(plugin->handler().restarts().empty()) << "not from inside the host's call";
    hostLoop->advance(100);
    ASSERT_FALSE(plugin->handler().restarts().empty());
    EXPECT_NE(plugin->handler().restarts().back() & kParamValuesChanged, 0);
    ASSERT_EQ(process(block, 64), kResultOk);

    // The processor now saves the preset, and the controller reads the same values from it.
    std::string error;
    auto other = host::PluginInstance::create(bundle(), &error);
    ASSERT_TRUE(other) << error;
    auto stream = owned(new MemoryStream);
    ASSERT_EQ(component()->getState(stream), kResultOk);
    stream->seek(0, IBStream::kIBSeekSet, nullptr);
    ASSERT_EQ(other->controller()->setComponentState(stream), kResultOk);
    for (ParamID id = 0; id < PARAMETER_COUNT; ++id)
        EXPECT_NEAR(other->controller()->getParamNormalized(id), VELMO_FACTORY_PRESETS[9].values[id], 1e-12) << id;
}

TEST_F(Parameters, MidiControllersMapThroughTheSavedCcMap) {
    FUnknownPtr<IMidiMapping> mapping(controller());
    ASSERT_TRUE(mapping);
    ParamID id = 99;
    EXPECT_EQ(mapping->getMidiControllerAssignment(0, 0, 7, id), kResultFalse) << "no map yet";

    const std::string state =
        R"({"ccMap":{"version":1,"bindings":[{"cc":7,"path":"master.level","channel":3},)"
        R"({"cc":1,"path":"strike.hardness"},{"cc":2,"path":"ir.size","enabled":false}]}})";
    auto stream = owned(new MemoryStream);
    stream->write(const_cast<char*>(state.data()), static_cast<int32>(state.size()), nullptr);
    stream->seek(0, IBStream::kIBSeekSet, nullptr);
    ASSERT_EQ(controller()->setState(stream), kResultOk);

    EXPECT_EQ(mapping->getMidiControllerAssignment(0, 2, 7, id), kResultOk);
    EXPECT_EQ(id, 9u);
    EXPECT_EQ(mapping->getMidiControllerAssignment(0, 0, 7, id), kResultFalse) << "channel 3 only";
    EXPECT_EQ(mapping->getMidiControllerAssignment(0, 15, 1, id), kResultOk) << "any channel";
    EXPECT_EQ(id, 2u);
    EXPECT_EQ(mapping->getMidiControllerAssignment(1, 2, 7, id), kResultFalse) << "bus 1";
    EXPECT_EQ(mapping->getMidiControllerAssignment(0, 0, 128, id), kResultFalse) << "not a CC";
    EXPECT_EQ(mapping->getMidiControllerAssignment(0, 0, 2, id), kResultFalse) << "disabled";

    hostLoop->advance(100);
    // The map went to the processor too, which saves it with the project.
    EXPECT_NE(componentState(component()).find("\"ccMap\""), std::string::npos);
    EXPECT_NE(std::find(plugin->handler().restarts().begin(), plugin->handler().restarts().end(),
                        kMidiCCAssignmentChanged),
              plugin->handler().restarts().end());
}

}  // namespace
}  // namespace velmo::conformance
