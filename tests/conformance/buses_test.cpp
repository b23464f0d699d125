// Buses as a validator checks them: consistent descriptions, activation, the one accepted
// arrangement and the refused ones, and the sample sizes.
#include "bundle_fixture.h"
#include "pluginterfaces/vst/vstspeaker.h"

namespace velmo::conformance {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

class Buses : public PluginTest {};

std::string busName(const BusInfo& info) {
    std::string out;
    for (const char16* c = info.name; *c != 0; ++c) out += static_cast<char>(*c);
    return out;
}

TEST_F(Buses, DescriptionsAreConsistent) {
    EXPECT_EQ(component()->getBusCount(kAudio, kInput), 0);
    EXPECT_EQ(component()->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(component()->getBusCount(kEvent, kInput), 1);
    EXPECT_EQ(component()->getBusCount(kEvent, kOutput), 0);

    BusInfo out{};
    ASSERT_EQ(component()->getBusInfo(kAudio, kOutput, 0, out), kResultOk);
    EXPECT_EQ(out.mediaType, kAudio);
    EXPECT_EQ(out.direction, kOutput);
    EXPECT_EQ(out.channelCount, 2);
    EXPECT_EQ(busName(out), "Stereo Out");
    EXPECT_EQ(out.busType, kMain);
    EXPECT_EQ(out.flags & BusInfo::kDefaultActive, static_cast<uint32>(BusInfo::kDefaultActive));

    BusInfo events{};
    ASSERT_EQ(component()->getBusInfo(kEvent, kInput, 0, events), kResultOk);
    EXPECT_EQ(events.mediaType, kEvent);
    EXPECT_EQ(events.direction, kInput);
    EXPECT_EQ(events.channelCount, 1);
    EXPECT_EQ(busName(events), "Event In");
    EXPECT_EQ(events.busType, kMain);

    BusInfo none{};
    EXPECT_NE(component()->getBusInfo(kAudio, kOutput, 1, none), kResultOk);
    EXPECT_NE(component()->getBusInfo(kAudio, kInput, 0, none), kResultOk);
    EXPECT_NE(component()->getBusInfo(kEvent, kOutput, 0, none), kResultOk);
    EXPECT_NE(component()->getBusInfo(kAudio, kOutput, -1, none), kResultOk);

    SpeakerArrangement arrangement = 0;
    ASSERT_EQ(processor()->getBusArrangement(kOutput, 0, arrangement), kResultOk);
    EXPECT_EQ(arrangement, SpeakerArr::kStereo);
    EXPECT_NE(processor()->getBusArrangement(kInput, 0, arrangement), kResultOk);
}

TEST_F(Buses, ActivationAcceptsOnlyExistingBuses) {
    EXPECT_EQ(component()->activateBus(kAudio, kOutput, 0, false), kResultOk);
    EXPECT_EQ(component()->activateBus(kAudio, kOutput, 0, true), kResultOk);
    EXPECT_EQ(component()->activateBus(kEvent, kInput, 0, true), kResultOk);
    EXPECT_NE(component()->activateBus(kAudio, kOutput, 1, true), kResultOk);
    EXPECT_NE(component()->activateBus(kAudio, kInput, 0, true), kResultOk);
    EXPECT_NE(component()->activateBus(kEvent, kOutput, 0, true), kResultOk);
    ASSERT_TRUE(start());
    std::vector<float> out;
    EXPECT_EQ(renderNote(2048, 512, out), 0);
}

TEST_F(Buses, OnlyOneStereoOutputWithoutInputsIsAccepted) {
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    SpeakerArrangement mono = SpeakerArr::kMono;
    SpeakerArrangement surround = SpeakerArr::k51;
    SpeakerArrangement twoStereo[2] = {SpeakerArr::kStereo, SpeakerArr::kStereo};
    EXPECT_EQ(processor()->setBusArrangements(nullptr, 0, &stereo, 1), kResultOk);
    EXPECT_EQ(processor()->setBusArrangements(nullptr, 0, &mono, 1), kResultFalse);
    EXPECT_EQ(processor()->setBusArrangements(nullptr, 0, &surround, 1), kResultFalse);
    EXPECT_EQ(processor()->setBusArrangements(nullptr, 0, twoStereo, 2), kResultFalse);
    EXPECT_EQ(processor()->setBusArrangements(&stereo, 1, &stereo, 1), kResultFalse);
    EXPECT_EQ(processor()->setBusArrangements(nullptr, 0, nullptr, 0), kResultFalse);
    SpeakerArrangement arrangement = 0;
    ASSERT_EQ(processor()->getBusArrangement(kOutput, 0, arrangement), kResultOk);
    EXPECT_EQ(arrangement, SpeakerArr::kStereo) << "refusals leave the arrangement alone";
    BusInfo out{};
    component()->getBusInfo(kAudio, kOutput, 0, out);
    EXPECT_EQ(out.channelCount, 2);
}

TEST_F(Buses, ThirtyTwoBitSamplesOnlyAndSixtyFourBitProcessingRefusedCleanly) {
    EXPECT_EQ(processor()->canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_EQ(processor()->canProcessSampleSize(kSample64), kResultFalse);
    ASSERT_TRUE(start());

    // A host that sends 64-bit buffers anyway gets a refusal and untouched buffers.
    std::vector<double> left(256, 7.0), right(256, 7.0);
    double* channels[2] = {left.data(), right.data()};
    AudioBusBuffers bus{};
    bus.numChannels = 2;
    bus.channelBuffers64 = channels;
    ProcessData data{};
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample64;
    data.numSamples = 256;
    data.numOutputs = 1;
    data.outputs = &bus;
    EXPECT_EQ(processor()->process(data), kResultFalse);
    for (double v : left) ASSERT_EQ(v, 7.0);

    // And 32-bit processing still works afterwards.
    std::vector<float> out;
    EXPECT_EQ(renderNote(1024, 256, out), 0);
}

}  // namespace
}  // namespace velmo::conformance
