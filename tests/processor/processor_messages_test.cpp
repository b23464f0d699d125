// Messages from the controller: each ID with good and bad payloads, refusals, and what falls
// through to the base class.
#include <gtest/gtest.h>

#include "processor_harness.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using velmo::host::makeMessage;
using velmo::test::ProcessorHarness;

namespace {

class ProcessorMessages : public ::testing::Test {
protected:
    tresult send(const char* id) { return h.processor->notify(makeMessage(id)); }
    tresult send(const char* id, const std::string& json) {
        return h.processor->notify(makeMessage(id, json));
    }
    ProcessorHarness h;
};

const char* kPads = "{\"kick\":{\"gain\":0.5},\"snare\":{\"transpose\":-2}}";

}  // namespace

TEST_F(ProcessorMessages, DiagnosticPollsAreAcceptedAndChangeNothing) {
    const std::string before = h.saveState();
    auto poll = makeMessage("velmo.diag.transportPoll");
    poll->getAttributes()->setInt("reset", 1);
    EXPECT_EQ(h.processor->notify(poll), kResultOk);
    EXPECT_EQ(send("velmo.diag.transportPoll"), kResultOk);
    EXPECT_EQ(send("velmo.diag.feedDrain"), kResultOk);
    EXPECT_EQ(send("velmo.diag.resetCounters", "junk"), kResultOk);
    EXPECT_EQ(h.saveState(), before);
    EXPECT_TRUE(h.controller->messages.empty()) << "polls are not answered";
}

TEST_F(ProcessorMessages, PresetLoadedStoresTextAndClearsWithoutIt) {
    EXPECT_EQ(send("velmo.diag.presetLoaded", "factory.glass"), kResultOk);
    EXPECT_EQ(h.processor->storedPresetText(), "factory.glass");
    EXPECT_EQ(send("velmo.diag.presetLoaded", std::string("a\0b", 3)), kResultOk);
    EXPECT_EQ(h.processor->storedPresetText(), std::string("a\0b", 3)) << "bytes are taken as given";
    EXPECT_EQ(send("velmo.diag.presetLoaded"), kResultOk);
    EXPECT_EQ(h.processor->storedPresetText(), "");
    EXPECT_EQ(h.saveState().find("factory"), std::string::npos) << "the preset text is not saved";
}

TEST_F(ProcessorMessages, CcMapReplacesOnlyOnSuccess) {
    EXPECT_EQ(send("velmo.ccMap", "{\"bindings\":[{\"cc\":200,\"path\":\"master.level\"}]}"), kResultOk);
    ASSERT_TRUE(h.processor->storedHasCcMap());
    EXPECT_EQ(h.processor->storedCcMap().count, 1u);
    EXPECT_EQ(h.processor->storedCcMap().bindings[0].cc, 127);
    const std::string saved = h.saveState();
    EXPECT_NE(saved.find("\"ccMap\":{\"version\":1,\"bindings\":[{\"cc\":127,\"path\":\"master.level\"}]}"),
              std::string::npos);

    for (const std::string bad : {"{\"bindings\":[{\"cc\":1,\"path\":7}]}", "{", "null", "[] x"}) {
        EXPECT_EQ(send("velmo.ccMap", bad), kResultOk) << bad;
    }
    EXPECT_EQ(send("velmo.ccMap"), kResultOk) << "missing payload";
    EXPECT_EQ(h.saveState(), saved) << "malformed maps are ignored";

    EXPECT_EQ(send("velmo.ccMap", "[]"), kResultOk);
    EXPECT_TRUE(h.processor->storedHasCcMap());
    EXPECT_EQ(h.processor->storedCcMap().count, 0u);
    EXPECT_NE(h.saveState().find("\"ccMap\":{\"version\":1,\"bindings\":[]}"), std::string::npos);
}

TEST_F(ProcessorMessages, PadOverridesAreSavedOnlyWhenValid) {
    const std::string empty = h.saveState();
    EXPECT_EQ(empty.find("\"sampler\""), std::string::npos);
    EXPECT_EQ(send("velmo.padOverrides", kPads), kResultOk);
    const std::string withPads = h.saveState();
    EXPECT_NE(withPads.find("\"sampler\":{\"v\":1,\"pads\":{\"kick\":"), std::string::npos);

    EXPECT_EQ(send("velmo.padOverrides", "{\"kick\":"), kResultOk);
    EXPECT_EQ(send("velmo.padOverrides"), kResultOk);
    EXPECT_EQ(h.saveState(), withPads) << "malformed overrides are ignored";

    // Restoring a state without overrides publishes an empty set.
    ProcessorHarness other;
    ASSERT_EQ(other.loadState(withPads), kResultOk);
    EXPECT_EQ(other.saveState(), withPads);
    ASSERT_EQ(other.loadState("{}"), kResultOk);
    EXPECT_EQ(other.saveState().find("\"sampler\""), std::string::npos);
}

TEST_F(ProcessorMessages, StageResourceSlotUnknownAndNullFallThrough) {
    EXPECT_EQ(send("velmo.stageResourceSlot", "{}"), kResultFalse);
    EXPECT_EQ(send("velmo.stageResourceSlot"), kResultFalse);
    EXPECT_EQ(send("velmo.somethingElse", "{}"), kResultFalse) << "the base knows no such message";
    EXPECT_EQ(send("velmo.ccmap", "[]"), kResultFalse) << "IDs are compared exactly";
    EXPECT_FALSE(h.processor->storedHasCcMap());
    EXPECT_EQ(h.processor->notify(nullptr), kInvalidArgument);
}
