// setup: validation and its standard-error lines, the exact host rate, FIFO sizing, kernel
// creation with the 48 000 Hz fallback, the one-time initialisation and the panic sink.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/kernel_engine.h"
#include "fake_kernel.h"

namespace velmo {
namespace {

using test::fakeKernelConfig;
using test::fakeKernelLog;

const char* const REJECTED_PREFIX = "velmo-plugin-shell: rejected host format (sampleRate=";
const char* const CEILING_LINE =
    "velmo-plugin-shell: maxBlockFrames exceeds the 16384-frame ceiling; render long fixtures as a LOOP of "
    "<=16384-frame blocks rather than declaring the whole fixture as one block\n";

class EngineSetup : public testing::Test {
protected:
    void SetUp() override { test::resetFakeKernel(); }

    // Runs setup with standard error captured.
    bool setupCapturing(KernelEngine& engine, double rate, int32_t frames, std::string& err) {
        testing::internal::CaptureStderr();
        const bool ok = engine.setup(rate, frames);
        err = testing::internal::GetCapturedStderr();
        return ok;
    }
};

TEST_F(EngineSetup, InvalidConfigurationsAreRejectedWithTheirLines) {
    struct Case {
        double rate;
        int32_t frames;
        const char* firstLine;
        bool ceiling;
    };
    const Case cases[] = {
        {0.0, 512, "velmo-plugin-shell: rejected host format (sampleRate=0, maxBlockFrames=512)\n", false},
        {NAN, 512, nullptr, false},
        {5000000.0, 512, "velmo-plugin-shell: rejected host format (sampleRate=5000000, maxBlockFrames=512)\n", false},
        {INFINITY, 512, nullptr, false},
        {0.0000001, 512, nullptr, false},
        {44100.0, 0, "velmo-plugin-shell: rejected host format (sampleRate=44100, maxBlockFrames=0)\n", false},
        {44100.0, -5, nullptr, false},
        {44100.0, 16385, "velmo-plugin-shell: rejected host format (sampleRate=44100, maxBlockFrames=16385)\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.frames << " frames");
        KernelEngine engine(test::fakeKernelModule());
        std::string err;
        EXPECT_FALSE(setupCapturing(engine, c.rate, c.frames, err));
        EXPECT_FALSE(engine.ready());
        EXPECT_EQ(err.rfind(REJECTED_PREFIX, 0), 0u) << err;
        if (c.firstLine != nullptr) {
            EXPECT_EQ(err.substr(0, err.find('\n') + 1), c.firstLine);
        }
        EXPECT_EQ(err.find(CEILING_LINE) != std::string::npos, c.ceiling) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), c.ceiling ? 2 : 1);
        const velmo_runtime_diagnostic_ring& ring = engine.diagnosticRing();
        ASSERT_EQ(ring.count, 1u);
        EXPECT_EQ(ring.records[0].code, 14u);
        EXPECT_EQ(ring.records[0].severity, kSeverityError);
        EXPECT_EQ(ring.records[0].phase, kPhaseConfigure);
        EXPECT_STREQ(ring.records[0].message, "host processing configuration is invalid");
        EXPECT_EQ(engine.hostSampleRate(), 48000.0);  // previous values kept
        EXPECT_EQ(engine.maxBlockFrames(), 0);
    }
}

TEST_F(EngineSetup, HostRateIsAnExactFraction) {
    KernelEngine engine(test::fakeKernelModule());
    ASSERT_TRUE(engine.setup(44100.0, 16384));
    EXPECT_EQ(engine.rateNumerator(), 44100u);
    EXPECT_EQ(engine.rateDenominator(), 1u);
    ASSERT_TRUE(engine.setup(44100.5, 512));
    EXPECT_EQ(engine.rateNumerator(), 88201u);
    EXPECT_EQ(engine.rateDenominator(), 2u);
    EXPECT_EQ(engine.hostSampleRate(), 44100.5);
    ASSERT_TRUE(engine.setup(22050.000001, 512));
    EXPECT_EQ(engine.rateNumerator(), 22050000001u);
    EXPECT_EQ(engine.rateDenominator(), 1000000u);
    ASSERT_TRUE(engine.setup(1.5, 1));
    EXPECT_EQ(engine.rateNumerator(), 3u);
    EXPECT_EQ(engine.rateDenominator(), 2u);
    ASSERT_TRUE(engine.setup(4000000.0, 1));
    EXPECT_EQ(engine.rateNumerator(), 4000000u);
}

TEST_F(EngineSetup, FifoCapacitiesOfTheDocumentedCases) {
    KernelEngine engine(test::fakeKernelModule());
    ASSERT_TRUE(engine.setup(44100.0, 512));
    EXPECT_EQ(engine.fifoCapacity(), 1544u);
    ASSERT_TRUE(engine.setup(8000.0, 16384));
    EXPECT_EQ(engine.fifoCapacity(), 98368u);
    ASSERT_TRUE(engine.setup(96000.0, 1));
    EXPECT_EQ(engine.fifoCapacity(), 65u);  // ceil(0.5) + 64 beats 3 + 8

    std::string err;
    EXPECT_FALSE(setupCapturing(engine, 0.5, 16384, err));
    EXPECT_FALSE(engine.ready());
    const velmo_runtime_diagnostic_ring& ring = engine.diagnosticRing();
    ASSERT_EQ(ring.count, 1u);
    EXPECT_EQ(ring.records[0].code, 14u);
    EXPECT_STREQ(ring.records[0].message, "host rate requires unsupported SRC FIFO capacity");
}

TEST_F(EngineSetup, KernelRunsAtTheHostRateWhenItAcceptsIt) {
    KernelEngine engine(test::fakeKernelModule());
    ASSERT_TRUE(engine.setup(48000.0, 512));
    EXPECT_FALSE(engine.rateConverted());
    EXPECT_EQ(engine.latencySamples(), 0);
    ASSERT_TRUE(engine.setup(44100.0, 512));
    EXPECT_FALSE(engine.rateConverted());
    EXPECT_EQ(engine.latencySamples(), 0);
    EXPECT_EQ(fakeKernelLog().createRates, (std::vector<double>{48000.0, 44100.0}));
    EXPECT_EQ(fakeKernelLog().destroys, 1u);  // the first instance made way for the second
    EXPECT_NE(engine.instanceToken(), 0u);
}

TEST_F(EngineSetup, FallsBackTo48kAndConvertsTheRate) {
    fakeKernelConfig().only48k = true;
    KernelEngine engine(test::fakeKernelModule());
    ASSERT_TRUE(engine.setup(44100.0, 512));
    EXPECT_TRUE(engine.rateConverted());
    EXPECT_EQ(engine.latencySamples(), 35);
    EXPECT_EQ(fakeKernelLog().createRates, (std::vector<double>{44100.0, 48000.0}));
    ASSERT_TRUE(engine.setup(96000.0, 512));
    EXPECT_EQ(engine.latencySamples(), 56);
    ASSERT_TRUE(engine.setup(48000.0, 512));
    EXPECT_FALSE(engine.rateConverted());
    EXPECT_EQ(engine.latencySamples(), 0);
}

TEST_F(EngineSetup, NoKernelAtEitherRateIsFatal) {
    fakeKernelConfig().refuseCreate = true;
    KernelEngine engine(test::fakeKernelModule());
    std::string err;
    EXPECT_FALSE(setupCapturing(engine, 44100.0, 512, err));
    EXPECT_EQ(err, "velmo-plugin-shell: kernel setup failed at 44100 Hz\n");
    EXPECT_EQ(engine.instanceToken(), 0u);
    const velmo_runtime_diagnostic_ring& ring = engine.diagnosticRing();
    ASSERT_EQ(ring.count, 2u);
    EXPECT_EQ(ring.records[0].code, 1u);
    EXPECT_EQ(ring.records[0].severity, kSeverityFatal);
    EXPECT_STREQ(ring.records[0].message, "product kernel instance creation failed");
    EXPECT_EQ(ring.records[1].code, 15u);
    EXPECT_STREQ(ring.records[1].message, "kernel runtime is unavailable after setup");
    EXPECT_EQ(ring.firstErrorSequence, 1u);
}

TEST_F(EngineSetup, AShortOutputViewIsNotReady) {
    fakeKernelConfig().shortOutputView = true;
    KernelEngine engine(test::fakeKernelModule());
    std::string err;
    EXPECT_FALSE(setupCapturing(engine, 48000.0, 512, err));
    EXPECT_NE(engine.instanceToken(), 0u);
    ASSERT_EQ(engine.diagnosticRing().count, 1u);
    EXPECT_EQ(engine.diagnosticRing().records[0].code, 15u);
}

TEST_F(EngineSetup, AFailedSetupAfterASuccessfulOneRendersSilence) {
    fakeKernelConfig().render = test::FakeRender::Constant;
    KernelEngine engine(test::fakeKernelModule());
    ASSERT_TRUE(engine.setup(48000.0, 256));
    float left[256], right[256];
    float* out[2] = {left, right};
    engine.processBlock(nullptr, 0, out, 2, 256);
    EXPECT_FALSE(engine.blockSilent());
    std::string err;
    EXPECT_FALSE(setupCapturing(engine, 48000.0, 20000, err));
    engine.pushNoteOn(60, 1.0, 0, 0, 0);
    engine.processBlock(nullptr, 0, out, 2, 256);
    EXPECT_TRUE(engine.blockSilent());
    EXPECT_TRUE(engine.blockFailed());
    EXPECT_EQ(engine.eventCount(), 0);
    for (float s : left) ASSERT_EQ(s, 0.0f);
    engine.drainRuntimeDiagnostics();
    const velmo_runtime_diagnostic_ring& ring = engine.diagnosticRing();
    ASSERT_EQ(ring.count, 2u);
    EXPECT_EQ(ring.records[1].code, 4u);
    EXPECT_EQ(ring.records[1].severity, kSeverityFatal);
    EXPECT_EQ(ring.records[1].phase, kPhaseProcess);
}

TEST_F(EngineSetup, OneTimeInitialisationPerKernelAndTheDestructorDestroys) {
    KernelModule module(test::fakeKernelEntryPoints());
    {
        KernelEngine a(module), b(module);
        ASSERT_TRUE(a.setup(48000.0, 64));
        ASSERT_TRUE(b.setup(44100.0, 64));
        ASSERT_TRUE(a.setup(96000.0, 64));
        EXPECT_EQ(fakeKernelLog().runtimeInits, 1u);
        EXPECT_NE(a.instanceToken(), b.instanceToken());
        EXPECT_EQ(fakeKernelLog().destroys, 1u);
    }
    EXPECT_EQ(fakeKernelLog().destroys, 3u);
}

TEST_F(EngineSetup, PanicSinkLatchesTheTrapAndPrintsTheReport) {
    KernelEngine engine(test::fakeKernelModule());
    ASSERT_TRUE(engine.setup(48000.0, 64));
    velmo_kernel_panic_sink sink = test::fakeKernelPanicSink();
    ASSERT_EQ(sink, &kernelPanicSink);
    const bool before = kernelTrapped();
    (void)before;
    const char report[] = "\x01morvisc: out of memory\x1fSC4017\x1fprocess";
    testing::internal::CaptureStderr();
    sink(nullptr, report, sizeof report - 1, 7);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, std::string("velmo-plugin-shell: morvisc trap: ") + report + "\n");
    EXPECT_TRUE(kernelTrapped());
}

}  // namespace
}  // namespace velmo
