// Buses, arrangements, sample sizes, setup and activation, latency and the host facts sent
// after each successful configuration call.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "processor/plugin_ids.h"
#include "fake_kernel.h"
#include "processor_harness.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using velmo::HostFacts;
using velmo::test::ProcessorHarness;

namespace {

HostFacts factsFrom(const velmo::host::RecordedMessage& m) {
    HostFacts f;
    EXPECT_TRUE(m.json.has_value());
    EXPECT_EQ(m.json->size(), sizeof(HostFacts));
    if (m.json && m.json->size() == sizeof(HostFacts)) std::memcpy(&f, m.json->data(), sizeof f);
    return f;
}

// The record a host should see for the product's only layout at the given setup.
HostFacts expectedFacts(double rate, int32 block, uint8_t mode) {
    HostFacts f;
    f.sampleRate = rate;
    f.maxBlockFrames = block;
    f.processMode = mode;
    f.addBus("out0", false, 2, true, "stereo");
    return f;
}

std::u16string name16(const TChar* name) { return reinterpret_cast<const char16_t*>(name); }

}  // namespace

TEST(ProcessorBuses, InitializeCreatesStereoOutAndOneEventInput) {
    ProcessorHarness h;
    auto& p = *h.processor;
    EXPECT_EQ(p.getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(p.getBusCount(kAudio, kInput), 0);
    EXPECT_EQ(p.getBusCount(kEvent, kInput), 1);
    EXPECT_EQ(p.getBusCount(kEvent, kOutput), 0);
    BusInfo info{};
    ASSERT_EQ(p.getBusInfo(kAudio, kOutput, 0, info), kResultTrue);
    EXPECT_EQ(info.channelCount, 2);
    EXPECT_EQ(info.busType, kMain);
    EXPECT_EQ(info.flags, static_cast<uint32>(BusInfo::kDefaultActive));
    EXPECT_EQ(name16(info.name), u"Stereo Out");
    ASSERT_EQ(p.getBusInfo(kEvent, kInput, 0, info), kResultTrue);
    EXPECT_EQ(info.channelCount, 1);
    EXPECT_EQ(name16(info.name), u"Event In");

    TUID cid;
    ASSERT_EQ(p.getControllerClassId(cid), kResultTrue);
    EXPECT_TRUE(velmo::kControllerUid == FUID::fromTUID(cid));
    EXPECT_EQ(p.getTailSamples(), kNoTail);
    EXPECT_EQ(p.getProcessContextRequirements(), 0u);
}

TEST(ProcessorBuses, OnlyOneStereoOutputWithoutInputsIsAccepted) {
    ProcessorHarness h;
    auto& p = *h.processor;
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    SpeakerArrangement mono = SpeakerArr::kMono;
    SpeakerArrangement two[2] = {SpeakerArr::kStereo, SpeakerArr::kStereo};
    SpeakerArrangement in = SpeakerArr::kStereo;

    EXPECT_EQ(p.setBusArrangements(nullptr, 0, &mono, 1), kResultFalse);
    EXPECT_EQ(p.setBusArrangements(nullptr, 0, two, 2), kResultFalse);
    EXPECT_EQ(p.setBusArrangements(&in, 1, &stereo, 1), kResultFalse);
    EXPECT_EQ(p.setBusArrangements(nullptr, 0, nullptr, 1), kResultFalse);
    EXPECT_EQ(p.setBusArrangements(nullptr, 0, &stereo, 0), kResultFalse);
    SpeakerArrangement arr = 0;
    ASSERT_EQ(p.getBusArrangement(kOutput, 0, arr), kResultTrue);
    EXPECT_EQ(arr, SpeakerArr::kStereo) << "a refused arrangement leaves the bus as it was";
    EXPECT_TRUE(h.sent("velmo.diag.hostFacts").empty()) << "refusals send no host facts";

    EXPECT_EQ(p.setBusArrangements(nullptr, 0, &stereo, 1), kResultOk);
    EXPECT_EQ(h.sent("velmo.diag.hostFacts").size(), 1u);
}

TEST(ProcessorBuses, SampleSizes) {
    ProcessorHarness h;
    EXPECT_EQ(h.processor->canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_EQ(h.processor->canProcessSampleSize(kSample64), kResultFalse);
}

TEST(ProcessorSetup, HostFactsAfterEachConfigurationCallWithExactBytes) {
    ProcessorHarness h;
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    ASSERT_EQ(h.processor->setBusArrangements(nullptr, 0, &stereo, 1), kResultOk);
    HostFacts inactive = expectedFacts(0, 0, 0);
    inactive.buses[0].active = 0;
    EXPECT_EQ(*h.sent("velmo.diag.hostFacts").at(0).json,
              std::string(reinterpret_cast<const char*>(&inactive), sizeof inactive))
        << "the output bus is inactive until the host activates it";
    ASSERT_EQ(h.processor->activateBus(kAudio, kOutput, 0, true), kResultTrue);
    ASSERT_EQ(h.processor->setBusArrangements(nullptr, 0, &stereo, 1), kResultOk);
    ASSERT_EQ(h.setup(44100, 256, kOffline), kResultOk);
    ASSERT_EQ(h.processor->setActive(true), kResultOk);
    ASSERT_EQ(h.processor->setActive(false), kResultOk);

    const auto sent = h.sent("velmo.diag.hostFacts");
    ASSERT_EQ(sent.size(), 5u);
    const HostFacts beforeSetup = expectedFacts(0, 0, 0);
    const HostFacts configured = expectedFacts(44100, 256, 1);
    EXPECT_EQ(*sent[1].json, std::string(reinterpret_cast<const char*>(&beforeSetup), sizeof beforeSetup));
    for (size_t i = 2; i < 5; ++i) {
        EXPECT_EQ(*sent[i].json, std::string(reinterpret_cast<const char*>(&configured), sizeof configured))
            << "message " << i;
    }
    const HostFacts last = factsFrom(sent[4]);
    EXPECT_EQ(last.lastBlockFrames, -1);
    EXPECT_EQ(last.sampleSize, 32);
    EXPECT_EQ(last.tailKind, 0);
    const auto* x = reinterpret_cast<const unsigned char*>(&last);
    const auto* y = reinterpret_cast<const unsigned char*>(&h.processor->lastHostFacts());
    for (size_t i = 0; i < sizeof last; ++i) {
        ASSERT_EQ(x[i], y[i]) << "the stored record differs at byte " << i;
    }
}

TEST(ProcessorSetup, OversizedBlockFailsWithFailedHealthDocument) {
    ProcessorHarness h;
    EXPECT_EQ(h.setup(48000, 20000), kResultFalse);
    EXPECT_TRUE(h.sent("velmo.diag.hostFacts").empty());
    auto health = h.sent("velmo.runtimeDiagnostics");
    ASSERT_EQ(health.size(), 1u);
    ASSERT_TRUE(health[0].json.has_value());
    const std::string& doc = *health[0].json;
    EXPECT_EQ(doc.rfind("{\"format\":\"velmo-runtime-health/v1\"", 0), 0u);
    EXPECT_NE(doc.find("\"lifecycle\":\"failed\",\"status\":\"failed\""), std::string::npos);
    EXPECT_NE(doc.find("\"code\":\"runtime.invalid-configuration\""), std::string::npos);
    EXPECT_NE(doc.find("\"moduleId\":\"music.velmo.bells\",\"version\":\"0.1.0\""), std::string::npos);
    EXPECT_EQ(doc.find('\0'), std::string::npos);
    EXPECT_EQ(doc.back(), '}');

    // Activation runs the same setup with the stored (refused) configuration.
    EXPECT_EQ(h.processor->setActive(true), kResultFalse);
    EXPECT_EQ(h.sent("velmo.runtimeDiagnostics").size(), 2u);
    EXPECT_TRUE(h.sent("velmo.diag.hostFacts").empty());

    // A good setup afterwards recovers.
    EXPECT_EQ(h.setup(48000, 512), kResultOk);
    EXPECT_EQ(h.processor->setActive(true), kResultOk);
    EXPECT_TRUE(h.processor->kernelEngine().ready());
}

TEST(ProcessorSetup, LatencyIsZeroAtTheHostRate) {
    for (double rate : {48000.0, 44100.0, 96000.0}) {
        ProcessorHarness h;
        ASSERT_TRUE(h.start(rate, 512));
        EXPECT_FALSE(h.processor->kernelEngine().rateConverted());
        EXPECT_EQ(h.processor->getLatencySamples(), 0u) << rate;
        EXPECT_EQ(h.processor->lastHostFacts().latencySamples, 0);
    }
}

TEST(ProcessorSetup, LatencyOfTheRateAdapter) {
    velmo::test::resetFakeKernel();
    velmo::test::fakeKernel().onlyRate = 48000;  // the engine falls back to 48 kHz and converts
    const std::pair<double, uint32> cases[] = {{44100, 35}, {96000, 56}, {48000, 0}};
    for (const auto& [rate, latency] : cases) {
        ProcessorHarness h(velmo::test::fakeKernelModule());
        ASSERT_TRUE(h.start(rate, 512));
        EXPECT_EQ(h.processor->kernelEngine().rateConverted(), rate != 48000);
        EXPECT_EQ(h.processor->getLatencySamples(), latency) << rate;
        EXPECT_EQ(h.processor->lastHostFacts().latencySamples, static_cast<int32_t>(latency));
    }
    velmo::test::resetFakeKernel();
}

TEST(ProcessorSetup, WithoutConnectionNothingIsSentAndCallsStillSucceed) {
    ProcessorHarness h;
    h.link->disconnect();
    EXPECT_TRUE(h.start());
    EXPECT_EQ(h.setup(48000, 20000), kResultFalse);
    EXPECT_TRUE(h.controller->messages.empty());
}

TEST(ProcessorFactory, CreateInstanceGivesAnAudioProcessor) {
    FUnknown* unknown = velmo::VelmoProcessor::createInstance(nullptr);
    ASSERT_NE(unknown, nullptr);
    IComponent* component = nullptr;
    EXPECT_EQ(unknown->queryInterface(IComponent::iid, reinterpret_cast<void**>(&component)), kResultOk);
    IAudioProcessor* audio = nullptr;
    EXPECT_EQ(unknown->queryInterface(IAudioProcessor::iid, reinterpret_cast<void**>(&audio)), kResultOk);
    IConnectionPoint* cp = nullptr;
    EXPECT_EQ(unknown->queryInterface(IConnectionPoint::iid, reinterpret_cast<void**>(&cp)), kResultOk);
    // queryInterface added references; drop them, then the creation reference.
    component->release();
    audio->release();
    cp->release();
    unknown->release();
}
