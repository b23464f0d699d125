// The AudioEffect base on its own: bus bookkeeping, arrangements, the stored setup and the
// interfaces it answers for.
#include <gtest/gtest.h>

#include "pluginterfaces/vst/ivstevents.h"
#include "processor/audio_effect.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

IPtr<velmo::AudioEffect> makeEffect() {
    auto effect = owned(new velmo::AudioEffect);
    effect->addAudioInput(STR16("In"), SpeakerArr::kMono);
    effect->addAudioOutput(STR16("Main"), SpeakerArr::kStereo);
    effect->addAudioOutput(STR16("Aux"), SpeakerArr::kMono, kAux, 0);
    effect->addEventInput(STR16("Ev"), 4);
    return effect;
}

}  // namespace

TEST(AudioEffectBase, BusHelpersFillTheComponentLists) {
    auto e = makeEffect();
    EXPECT_EQ(e->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(e->getBusCount(kAudio, kOutput), 2);
    EXPECT_EQ(e->getBusCount(kEvent, kInput), 1);
    EXPECT_EQ(e->getBusCount(kEvent, kOutput), 0);
    BusInfo info{};
    ASSERT_EQ(e->getBusInfo(kAudio, kOutput, 1, info), kResultTrue);
    EXPECT_EQ(info.channelCount, 1);
    EXPECT_EQ(info.busType, kAux);
    EXPECT_EQ(info.flags, 0u);
    ASSERT_EQ(e->getBusInfo(kEvent, kInput, 0, info), kResultTrue);
    EXPECT_EQ(info.channelCount, 4);
    EXPECT_NE(e->getAudioOutput(1), nullptr);
    EXPECT_EQ(e->getAudioOutput(2), nullptr);
    EXPECT_EQ(e->getAudioInput(-1), nullptr);
    EXPECT_EQ(e->getEventOutput(0), nullptr);
}

TEST(AudioEffectBase, ArrangementsApplyOnlyToExistingBuses) {
    auto e = makeEffect();
    SpeakerArrangement ins[1] = {SpeakerArr::kStereo};
    SpeakerArrangement outs[3] = {SpeakerArr::kMono, SpeakerArr::kStereo, SpeakerArr::kStereo};
    EXPECT_EQ(e->setBusArrangements(ins, 1, outs, 3), kResultFalse) << "three outputs, two buses";
    EXPECT_EQ(e->setBusArrangements(nullptr, 1, outs, 2), kResultFalse);
    SpeakerArrangement arr = 0;
    ASSERT_EQ(e->getBusArrangement(kOutput, 0, arr), kResultTrue);
    EXPECT_EQ(arr, SpeakerArr::kStereo) << "a refused call changes nothing";

    EXPECT_EQ(e->setBusArrangements(ins, 1, outs, 2), kResultTrue);
    ASSERT_EQ(e->getBusArrangement(kOutput, 0, arr), kResultTrue);
    EXPECT_EQ(arr, SpeakerArr::kMono);
    ASSERT_EQ(e->getBusArrangement(kInput, 0, arr), kResultTrue);
    EXPECT_EQ(arr, SpeakerArr::kStereo);
    EXPECT_EQ(e->getBusArrangement(kOutput, 2, arr), kInvalidArgument);
}

TEST(AudioEffectBase, SetupIsStoredAndDefaultsAreNeutral) {
    auto e = makeEffect();
    EXPECT_EQ(e->storedSetup().sampleRate, 0.0);
    EXPECT_EQ(e->storedSetup().maxSamplesPerBlock, 0);
    ProcessSetup setup{kOffline, kSample32, 256, 96000};
    EXPECT_EQ(e->setupProcessing(setup), kResultOk);
    EXPECT_EQ(e->storedSetup().sampleRate, 96000);
    EXPECT_EQ(e->storedSetup().processMode, kOffline);
    ProcessSetup wide{kRealtime, kSample64, 64, 44100};
    EXPECT_EQ(e->setupProcessing(wide), kResultFalse);
    EXPECT_EQ(e->storedSetup().sampleRate, 96000) << "a refused setup is not stored";

    EXPECT_EQ(e->getLatencySamples(), 0u);
    EXPECT_EQ(e->getTailSamples(), kNoTail);
    EXPECT_EQ(e->setProcessing(true), kResultOk);
    ProcessData data;
    EXPECT_EQ(e->process(data), kResultOk);
    EXPECT_EQ(e->getProcessContextRequirements(), 0u);
}

TEST(AudioEffectBase, AnswersForItsInterfaces) {
    auto e = makeEffect();
    for (const FUID* iid : {&IAudioProcessor::iid, &IProcessContextRequirements::iid,
                            &IComponent::iid, &IConnectionPoint::iid, &FUnknown::iid}) {
        FUnknown* obj = nullptr;
        EXPECT_EQ(e->queryInterface(iid->toTUID(), reinterpret_cast<void**>(&obj)), kResultOk);
        ASSERT_NE(obj, nullptr);
        obj->release();
    }
    void* none = nullptr;
    EXPECT_EQ(e->queryInterface(IEventList::iid, &none), kNoInterface);
}
