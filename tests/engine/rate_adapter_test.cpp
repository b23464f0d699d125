// The sample-rate adapter, measured on its output: a kernel that only runs at 48 000 Hz
// under a 44 100 Hz host.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/host_rate.h"
#include "engine/kernel_engine.h"
#include "fake_kernel.h"
#include "realtime_guard.h"

namespace velmo {
namespace {

using test::acceptedEvents;
using test::FakeEvent;
using test::fakeKernelConfig;
using test::fakeKernelLog;

constexpr double kHostRate = 44100.0;

class RateAdapter : public testing::Test {
protected:
    void SetUp() override {
        test::resetFakeKernel();
        fakeKernelConfig().only48k = true;
    }

    void start(double rate = kHostRate, int32_t maxBlock = 512) {
        ASSERT_TRUE(engine.setup(rate, maxBlock));
        ASSERT_TRUE(engine.rateConverted());
    }

    // Renders `frames` host frames in blocks, appending the left channel to `left`.
    void renderInto(std::vector<float>& left, int64_t frames, int32_t block = 512) {
        std::vector<float> l(block), r(block);
        float* out[2] = {l.data(), r.data()};
        for (int64_t done = 0; done < frames; done += block) {
            const int32_t n = static_cast<int32_t>(std::min<int64_t>(block, frames - done));
            engine.processBlock(nullptr, 0, out, 2, n);
            left.insert(left.end(), l.begin(), l.begin() + n);
        }
    }

    KernelEngine engine{test::fakeKernelModule()};
};

// Fits a + b sin + c cos at frequency f over a whole number of periods (where the three are
// orthogonal); returns the residual power and the fitted amplitude.
double fitSine(const std::vector<float>& x, size_t from, size_t count, double f, double rate, double& amplitude) {
    double xs = 0, xc = 0, mean = 0;
    for (size_t i = from; i < from + count; ++i) {
        const double w = 2.0 * M_PI * f * static_cast<double>(i) / rate;
        xs += x[i] * std::sin(w);
        xc += x[i] * std::cos(w);
        mean += x[i];
    }
    const double n = static_cast<double>(count);
    const double b = 2.0 * xs / n, c = 2.0 * xc / n;
    mean /= n;
    amplitude = std::hypot(b, c);
    double residual = 0;
    for (size_t i = from; i < from + count; ++i) {
        const double w = 2.0 * M_PI * f * static_cast<double>(i) / rate;
        const double e = x[i] - (mean + b * std::sin(w) + c * std::cos(w));
        residual += e * e;
    }
    return residual / n;
}

TEST_F(RateAdapter, ASineKeepsItsFrequencyLevelAndPurity) {
    fakeKernelConfig().render = test::FakeRender::Sine1k;
    fakeKernelConfig().log = false;
    start();
    std::vector<float> left;
    renderInto(left, 3 * 44100);
    const size_t from = 44100, count = 2 * 44100;

    // Frequency from the first and last rising zero crossings, linearly interpolated.
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = from; i + 1 < from + count; ++i) {
        if (left[i] < 0.0f && left[i + 1] >= 0.0f) {
            const double t = i + left[i] / (left[i] - left[i + 1]);
            if (first < 0) first = t;
            last = t;
            ++crossings;
        }
    }
    ASSERT_GT(crossings, 1000);
    const double frequency = (crossings - 1) * kHostRate / (last - first);
    EXPECT_NEAR(frequency, 1000.0, 0.05);

    double amplitude = 0;
    const double residual = fitSine(left, from, count, 1000.0, kHostRate, amplitude);
    EXPECT_NEAR(20.0 * std::log10(amplitude / 0.5), 0.0, 0.1);
    const double thdN = 10.0 * std::log10(residual / (amplitude * amplitude / 2.0));
    EXPECT_LT(thdN, -60.0);
    RecordProperty("frequency_hz", testing::PrintToString(frequency));
    RecordProperty("level_db", testing::PrintToString(20.0 * std::log10(amplitude / 0.5)));
    RecordProperty("thd_n_db", testing::PrintToString(thdN));
}

TEST_F(RateAdapter, OutputStartsSilentUntilTheKernelPositionIsReached) {
    fakeKernelConfig().render = test::FakeRender::Constant;
    start();
    std::vector<float> left;
    renderInto(left, 512);
    for (int i = 0; i < 35; ++i) ASSERT_EQ(left[i], 0.0f) << i;
    EXPECT_NEAR(left[35], 0.5f, 1e-6);
    EXPECT_NEAR(left[511], 0.5f, 1e-6);
    EXPECT_EQ(engine.latencySamples(), 35);
}

TEST_F(RateAdapter, AClickAppearsAtTheReportedLatency) {
    fakeKernelConfig().render = test::FakeRender::ClickOnNote;
    fakeKernelConfig().amplitude = 1.0f;
    start();
    const int64_t hostFrames[] = {1000, 1636, 2100, 3071, 4095};
    std::vector<float> left;
    for (int64_t at : hostFrames) {
        std::vector<float> block;
        const int64_t blockStart = static_cast<int64_t>(left.size());
        ASSERT_LT(at - blockStart, 2048);
        // Queue the note in the block that contains its host frame.
        while (static_cast<int64_t>(left.size()) + 512 <= at) renderInto(left, 512);
        engine.pushNoteOn(60, 1.0, static_cast<int32_t>(at - static_cast<int64_t>(left.size())), 0, 0);
        renderInto(left, 512);
    }
    renderInto(left, 1024);
    for (int64_t at : hostFrames) {
        size_t peak = at;
        for (size_t i = at; i < static_cast<size_t>(at + 200); ++i) {
            if (std::fabs(left[i]) > std::fabs(left[peak])) peak = i;
        }
        EXPECT_NEAR(static_cast<double>(peak - at), engine.latencySamples(), 1.0) << "note at " << at;
        EXPECT_GT(left[peak], 0.5f);
    }
}

TEST_F(RateAdapter, EventsReachTheKernelFrameNearestTheirHostFrame) {
    start();
    HostRate rate{44100, 1};
    std::vector<uint64_t> expected;
    uint64_t blockStart = 0;
    for (int block = 0; block < 12; ++block) {
        const int32_t offsets[] = {-1, 0, 7 * block, 300, 511};
        for (int32_t f : offsets) {
            engine.pushNoteOn(40 + block, 0.5, f, 0, 0);
            expected.push_back(nearestKernelFrame(rate, blockStart + (f > 0 ? f : 0)));
        }
        std::vector<float> left;
        renderInto(left, 512);
        blockStart += 512;
    }
    std::vector<float> tail;
    renderInto(tail, 1024);
    EXPECT_EQ(engine.eventCount(), 0);
    const std::vector<FakeEvent> notes = acceptedEvents(2);
    ASSERT_EQ(notes.size(), expected.size());
    for (size_t i = 0; i < notes.size(); ++i) EXPECT_EQ(notes[i].kernelFrame, expected[i]) << i;
}

TEST_F(RateAdapter, EventsNotYetDueWaitForTheNextBlock) {
    start();
    engine.setParamValue(4, 2.0);
    engine.pushNoteOn(60, 1.0, 511, 0, 0);
    std::vector<float> left;
    renderInto(left, 512);
    EXPECT_EQ(engine.eventCount(), 1);  // the kernel runs behind the host
    const std::vector<FakeEvent> params = acceptedEvents(1);
    ASSERT_EQ(params.size(), 1u);  // the republish went first, at the first chunk
    EXPECT_EQ(params[0].kernelFrame, 0u);
    renderInto(left, 512);
    EXPECT_EQ(engine.eventCount(), 0);
    ASSERT_EQ(acceptedEvents(2).size(), 1u);
    EXPECT_EQ(acceptedEvents(2)[0].kernelFrame, nearestKernelFrame(HostRate{44100, 1}, 511));
}

uint64_t expectedKernelFrames(uint64_t num, uint64_t den, uint64_t hostFrames) {
    const unsigned __int128 scaled = static_cast<unsigned __int128>(hostFrames - 16) * 48000 * den;
    return static_cast<uint64_t>((scaled + num - 1) / num);
}

TEST_F(RateAdapter, TenMinutesWithoutDrift) {
    struct Case {
        double rate;
        uint64_t num, den;
        int32_t block;
    };
    for (const Case& c : {Case{44100.0, 44100, 1, 441}, Case{44100.5, 88201, 2, 512}}) {
        SCOPED_TRACE(c.rate);
        test::resetFakeKernel();
        fakeKernelConfig().only48k = true;
        fakeKernelConfig().log = false;
        start(c.rate, 512);
        const uint64_t total = static_cast<uint64_t>(std::ceil(600.0 * c.rate / c.block)) * c.block;
        const uint64_t tail = 8 * static_cast<uint64_t>(c.block);
        // Most of the run without output channels (nothing to interpolate), then a sine.
        float* none[2] = {nullptr, nullptr};
        for (uint64_t done = 0; done < total - tail; done += c.block) engine.processBlock(nullptr, 0, none, 2, c.block);
        fakeKernelConfig().render = test::FakeRender::Sine1k;
        std::vector<float> left;
        renderInto(left, tail, c.block);
        EXPECT_EQ(engine.kernelFramesRendered(), expectedKernelFrames(c.num, c.den, total));
        EXPECT_EQ(test::fakeKernelFrames(engine.instanceToken()), engine.kernelFramesRendered());
        // The output still lies where the exact time line puts it: host frame h shows the
        // kernel at (h - 16) * 48 000 / rate - 20.
        for (size_t i = left.size() - c.block; i < left.size(); ++i) {
            const uint64_t h = total - tail + i;
            const long double t = (static_cast<long double>(h) - 16) * 48000.0L * c.den / c.num - 20.0L;
            const double expected = 0.5 * std::sin(2.0 * M_PI * static_cast<double>(std::fmod(t, 48.0L)) / 48.0);
            ASSERT_NEAR(left[i], expected, 2e-3) << "host frame " << h;
        }
    }
}

TEST_F(RateAdapter, AFailedKernelCallLatchesTheAdapterUntilTheNextSetup) {
    fakeKernelConfig().render = test::FakeRender::Constant;
    start();
    std::vector<float> left;
    renderInto(left, 1024);
    fakeKernelConfig().failProcess = true;
    left.clear();
    renderInto(left, 512);
    EXPECT_TRUE(engine.adapterFailed());
    EXPECT_TRUE(engine.blockFailed());
    EXPECT_TRUE(engine.blockSilent());
    EXPECT_EQ(engine.kernelFramesRendered(), 0u);
    fakeKernelConfig().failProcess = false;
    engine.pushNoteOn(60, 1, 0, 0, 0);
    renderInto(left, 512);
    for (float s : left) ASSERT_EQ(s, 0.0f);
    EXPECT_EQ(engine.eventCount(), 0);
    engine.drainRuntimeDiagnostics();
    const velmo_runtime_diagnostic_ring& ring = engine.diagnosticRing();
    ASSERT_EQ(ring.count, 2u);
    for (uint32_t i = 0; i < 2; ++i) {
        EXPECT_EQ(ring.records[i].code, 2u);
        EXPECT_EQ(ring.records[i].severity, kSeverityError);
        EXPECT_STREQ(ring.records[i].message, "sample-rate adapter failed; output was cleared");
    }
    start();
    EXPECT_FALSE(engine.adapterFailed());
    left.clear();
    renderInto(left, 512);
    EXPECT_FALSE(engine.blockSilent());
}

TEST_F(RateAdapter, NeitherAllocatesNorLocks) {
    fakeKernelConfig().render = test::FakeRender::Sine1k;
    fakeKernelConfig().log = false;
    start(44100.0, 2048);
    std::vector<float> l(2048), r(2048), extra(2048);
    float* out[3] = {l.data(), r.data(), extra.data()};
    const float* in[1] = {l.data()};
    velmo::test::RealtimeGuard guard;
    for (int block = 0; block < 16; ++block) {
        engine.pushNoteOn(60, 1.0, block * 50, 0, 0);
        engine.pushParamNormalized(1, 0.3, 2000);
        engine.processBlock(in, 1, out, 3, block % 2 ? 2048 : 77);
    }
    EXPECT_EQ(guard.allocations(), 0u);
    EXPECT_EQ(guard.locks(), 0u);
    EXPECT_FALSE(engine.adapterFailed());
}

}  // namespace
}  // namespace velmo
