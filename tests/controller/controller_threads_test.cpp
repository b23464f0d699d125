// Hosts call setParamNormalized from other threads (Ardour sends MIDI program changes from its
// audio thread): the controller takes such calls on its own thread, at its tick.
#include <atomic>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "controller_rig.h"
#include "params/factory_presets.h"

namespace velmo {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using test::ControllerRig;

TEST(ControllerThreads, CallsFromAnotherThreadAreTakenOnTheControllersThreadInOrder) {
    ControllerRig rig;
    const std::thread::id uiThread = std::this_thread::get_id();
    bool pageOffThread = false;
    std::map<std::string, std::string> lastChange;  // path -> last paramChanged document
    rig.controller->setBridgeSink([&](const std::string& doc) {
        pageOffThread = pageOffThread || std::this_thread::get_id() != uiThread;
        const auto at = doc.find("\"path\":\"");
        if (doc.rfind("{\"type\":\"velmo.paramChanged\"", 0) == 0 && at != std::string::npos)
            lastChange[doc.substr(at + 8, doc.find('"', at + 8) - at - 8)] = doc;
    });

    constexpr uint32 kFinalProgram = 3;
    constexpr ParamID kEditedAfter = 5;
    std::atomic<bool> done{false};
    std::thread host([&] {
        for (int i = 0; i < 2000; ++i) {
            EXPECT_EQ(rig.controller->setParamNormalized(PROGRAM_CHANGE_PARAM_ID, (i % 10) / 9.0), kResultOk);
            EXPECT_EQ(rig.controller->setParamNormalized(static_cast<ParamID>(i % 10), (i % 7) / 6.0), kResultOk);
        }
        rig.controller->setParamNormalized(PROGRAM_CHANGE_PARAM_ID, kFinalProgram / 9.0);
        rig.controller->setParamNormalized(kEditedAfter, 0.25);
        EXPECT_EQ(rig.controller->setParamNormalized(0x7777, 0.5), kResultFalse) << "no such parameter";
        done = true;
    });
    while (!done) rig.controller->tickCadence();
    host.join();
    rig.controller->tickCadence();

    EXPECT_FALSE(pageOffThread) << "the page is only ever reached from the controller's thread";
    EXPECT_STREQ(rig.controller->presetState().currentId, VELMO_FACTORY_PRESETS[kFinalProgram].id);
    for (uint32 id = 0; id < VELMO_PARAM_COUNT; ++id) {
        const double expected = id == kEditedAfter ? 0.25 : VELMO_FACTORY_PRESETS[kFinalProgram].values[id];
        EXPECT_EQ(rig.normalized(id), expected) << id;
        const std::string& doc = lastChange[VELMO_PARAMS[id].path];
        const auto at = doc.find("\"normalized\":");
        ASSERT_NE(at, std::string::npos) << id << ": the page never heard of it";
        EXPECT_DOUBLE_EQ(std::strtod(doc.c_str() + at + 13, nullptr), expected) << doc;
    }
    EXPECT_GE(rig.restarts(kParamValuesChanged), 1);
}

}  // namespace
}  // namespace velmo
