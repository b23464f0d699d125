// Saving and restoring as hosts do: the processor's state moves between instances and into
// the controller, malformed states change nothing, and suspend/resume keeps every value.
#include <cmath>

#include "bundle_fixture.h"
#include "public.sdk/source/common/memorystream.h"
#include "tools/host/event_list.h"
#include "tools/host/memory_streams.h"

namespace velmo::conformance {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

using host::streamOf;

class State : public PluginTest {
protected:
    // Sets parameters the way a host automates them: through the processor's input.
    void automate(const std::vector<std::pair<ParamID, double>>& values) {
        host::ProcessBlock block({2}, 64);
        block.begin(64);
        for (const auto& [id, v] : values) block.params().add(id, 0, v);
        ASSERT_EQ(process(block, 64), kResultOk);
    }
};

TEST_F(State, ProcessorStateMovesBetweenInstancesAndIntoTheController) {
    ASSERT_TRUE(start());
    automate({{0, 0.75}, {1, 0.4}, {4, 1.0}, {8, 0.25}, {9, 0.5}});
    const std::string saved = componentState(component());
    ASSERT_FALSE(saved.empty());

    std::string error;
    auto restored = host::PluginInstance::create(bundle(), &error);
    ASSERT_TRUE(restored) << error;
    ASSERT_EQ(restored->component()->setState(streamOf(saved)), kResultOk);
    EXPECT_EQ(componentState(restored->component()), saved) << "restoring then saving changes nothing";
    ASSERT_EQ(restored->controller()->setComponentState(streamOf(saved)), kResultOk);

    const std::pair<ParamID, double> expected[] = {{0, 0.75}, {1, 0.4}, {4, 1.0}, {8, 0.25}, {9, 0.5}};
    for (const auto& [id, v] : expected)
        EXPECT_NEAR(restored->controller()->getParamNormalized(id), v, 1e-9) << id;
    EXPECT_NEAR(restored->controller()->getParamNormalized(2), 0.62, 1e-12) << "others keep defaults";
}

TEST_F(State, StateHandedOverInSmallPiecesRestoresWhollyAndAFailedReadChangesNothing) {
    ASSERT_TRUE(start());
    automate({{0, 0.75}, {3, 0.2}, {9, 0.5}});
    const std::string saved = componentState(component());
    ASSERT_GT(saved.size(), 64u);
    for (int32 piece = 1; piece <= 7; ++piece) {
        std::string error;
        auto restored = host::PluginInstance::create(bundle(), &error);
        ASSERT_TRUE(restored) << error;
        ASSERT_EQ(restored->component()->setState(owned(new host::PieceStream(saved, piece))), kResultOk) << piece;
        EXPECT_EQ(componentState(restored->component()), saved) << piece;
        ASSERT_EQ(restored->controller()->setComponentState(owned(new host::PieceStream(saved, piece))), kResultOk);
        EXPECT_NEAR(restored->controller()->getParamNormalized(0), 0.75, 1e-9) << piece;
        EXPECT_NEAR(restored->controller()->getParamNormalized(9), 0.5, 1e-9) << piece;
    }

    // A read that fails part-way, even where what came before parses, is refused on both sides.
    std::string error;
    auto other = host::PluginInstance::create(bundle(), &error);
    ASSERT_TRUE(other) << error;
    const std::string before = componentState(other->component());
    const auto failing = [&] { return owned(new host::PieceStream(saved, 5, static_cast<int64>(saved.size()) - 1)); };
    EXPECT_EQ(other->component()->setState(failing()), kResultFalse);
    EXPECT_EQ(componentState(other->component()), before);
    EXPECT_EQ(other->controller()->setComponentState(failing()), kResultFalse);
    EXPECT_NE(other->controller()->getParamNormalized(0), 0.75);
    EXPECT_EQ(other->controller()->setState(failing()), kResultFalse);
}

TEST_F(State, MalformedOrEmptyStatesChangeNothing) {
    ASSERT_TRUE(start());
    automate({{7, 0.9}});
    const std::string before = componentState(component());
    EXPECT_EQ(component()->setState(streamOf("{\"params\":")), kResultFalse);
    EXPECT_EQ(component()->setState(streamOf("not json")), kResultFalse);
    EXPECT_EQ(component()->setState(nullptr), kResultFalse);
    EXPECT_EQ(componentState(component()), before);
    EXPECT_EQ(component()->setState(streamOf("{}")), kResultOk);
    EXPECT_EQ(componentState(component()), before);

    const double width = controller()->getParamNormalized(7);
    EXPECT_EQ(controller()->setComponentState(streamOf("[1,2")), kResultFalse);
    EXPECT_EQ(controller()->getParamNormalized(7), width);

    // Controller state: "{}" without a CC map; an empty stream is accepted as nothing.
    auto out = owned(new MemoryStream);
    ASSERT_EQ(controller()->getState(out), kResultOk);
    EXPECT_EQ(std::string(out->getData(), static_cast<size_t>(out->getSize())), "{}");
    EXPECT_EQ(controller()->setState(streamOf("")), kResultOk);
    EXPECT_EQ(controller()->setState(streamOf("{oops")), kResultFalse);
}

TEST_F(State, SuspendAndResumeKeepValuesAndKeepPlaying) {
    ASSERT_TRUE(start(48000.0, 256));
    automate({{4, 0.9}, {9, 0.6}});
    const std::string before = componentState(component());

    host::ProcessBlock block({2}, 256);
    for (int round = 0; round < 3; ++round) {
        block.begin(256);
        block.events().add(host::makeNoteOn(0, 64, 0.9f));
        ASSERT_EQ(process(block, 256), kResultOk);
        // Suspend, resume: the host stops processing around it.
        processor()->setProcessing(false);
        ASSERT_EQ(component()->setActive(false), kResultOk);
        ASSERT_EQ(component()->setActive(true), kResultOk);
        processor()->setProcessing(true);
        block.begin(256);
        block.events().add(host::makeNoteOn(0, 64, 0.9f));
        ASSERT_EQ(process(block, 256), kResultOk);
        double loudest = 0.0;
        for (int f = 0; f < 256; ++f) {
            ASSERT_TRUE(std::isfinite(block.output(0, 0)[f]));
            loudest = std::max(loudest, double(std::fabs(block.output(0, 0)[f])));
        }
        EXPECT_GT(loudest, 1e-4) << "plays after resume " << round;
    }
    EXPECT_EQ(componentState(component()), before);
}

}  // namespace
}  // namespace velmo::conformance
