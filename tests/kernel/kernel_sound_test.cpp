// What the kernel sounds like, measured on rendered output: pitch, stereo detuning, decay,
// determinism and finiteness.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "kernel/modal_render.h"
#include "kernel_test_support.h"

namespace velmo {
namespace {

using test::noteOn;
using test::parameter;
using test::renderEvents;

constexpr double RATE = 48000;

// Mean of x(t) e^{-i 2 pi f t} over [start, start + length): the complex amplitude of one
// partial, with other partials averaged out over whole cycles.
std::complex<double> demodulate(const std::vector<float>& x, double hz, size_t start,
                                size_t length) {
    std::complex<double> sum = 0;
    for (size_t i = start; i < start + length; ++i)
        sum += double(x[i]) * std::polar(1.0, -2 * M_PI * hz * double(i) / RATE);
    return sum / double(length);
}

// Frequency of the strongest bin of a Hann-windowed DFT, refined by a parabola.
double strongestFrequency(const std::vector<float>& x) {
    size_t n = 1;
    while (n * 2 <= x.size()) n *= 2;
    std::vector<std::complex<double>> a(n);
    for (size_t i = 0; i < n; ++i) a[i] = x[i] * (0.5 - 0.5 * std::cos(2 * M_PI * i / n));
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> w = std::polar(1.0, -2 * M_PI / double(len));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> wk = 1;
            for (size_t k = 0; k < len / 2; ++k, wk *= w) {
                const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * wk;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
    size_t best = 1;
    for (size_t k = 1; k < n / 2; ++k)
        if (std::abs(a[k]) > std::abs(a[best])) best = k;
    const double l = std::abs(a[best - 1]), c = std::abs(a[best]), r = std::abs(a[best + 1]);
    const double shift = 0.5 * (l - r) / (l - 2 * c + r);
    return (double(best) + shift) * RATE / double(n);
}

// Every case runs on the scalar reference renderer and on the renderer the CPU selects.
class KernelSound : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        forceScalarModalRender(GetParam());
        ASSERT_EQ(KERNEL(runtime_init)(), 0);
        handle = test::createInstance(RATE);
        ASSERT_NE(handle, 0u);
    }
    void TearDown() override { forceScalarModalRender(false); }
    uint32_t handle = 0;
};

TEST_P(KernelSound, HandbellA4PeaksAt440Hz) {
    const auto out = renderEvents(handle, {parameter(0, 0, 2), noteOn(0, 69)}, 65536);
    EXPECT_NEAR(strongestFrequency(out.left), 440, 4.4);
    EXPECT_NEAR(strongestFrequency(out.right), 440, 4.4);
}

TEST_P(KernelSound, StereoWidthDetunesLeftDownAndRightUp) {
    const auto wide = renderEvents(handle, {parameter(0, 0, 2), parameter(0, 7, 1), noteOn(0, 69)},
                                   RATE * 2);
    // Phase drift of the fundamental against 440 Hz over one second gives its offset.
    auto offset = [](const std::vector<float>& x) {
        const auto early = demodulate(x, 440, 9600, 4800);
        const auto late = demodulate(x, 440, 9600 + 48000, 4800);
        return std::arg(late / early) / (2 * M_PI);
    };
    const double expected = 440 * 0.0015 / 4;  // full width, first of four modes
    EXPECT_NEAR(offset(wide.left), -expected, expected * 0.1);
    EXPECT_NEAR(offset(wide.right), expected, expected * 0.1);

    ASSERT_EQ(KERNEL(reset)(handle), 0);
    const auto narrow = renderEvents(handle, {parameter(0, 7, 0), noteOn(0, 69)}, 4096);
    EXPECT_EQ(narrow.left, narrow.right);
}

TEST_P(KernelSound, CarillonFundamentalDecaysAtItsModalRate) {
    for (double damping : {1.0, 2.0}) {
        ASSERT_EQ(KERNEL(reset)(handle), 0);
        const auto out = renderEvents(handle, {parameter(0, 5, damping), noteOn(0, 69)}, RATE * 4);
        const double early = std::abs(demodulate(out.left, 440, 24000, 12000));
        const double late = std::abs(demodulate(out.left, 440, 24000 + 2 * 48000, 12000));
        const double rate = std::log(early / late) / 2.0;
        EXPECT_NEAR(rate, 0.28 * damping, 0.28 * damping * 0.05) << damping;  // mode 1 of Carillon
    }
}

TEST_P(KernelSound, IdenticalEventsRenderIdenticalOutput) {
    const std::vector<test::TimedEvent> score = {
        parameter(0, 3, 0.8), noteOn(0, 60, 0.7),    noteOn(300, 67, 1),
        parameter(500, 0, 3), noteOn(500, 72, 0.4),  test::noteOff(9000, 60),
        noteOn(9000, 48, 0.9)};
    const auto first = renderEvents(handle, score, 24000);
    const uint32_t other = test::createInstance(RATE);
    const auto second = renderEvents(other, score, 24000);
    EXPECT_EQ(first.left, second.left);
    EXPECT_EQ(first.right, second.right);
    ASSERT_EQ(KERNEL(reset)(handle), 0);
    const auto again = renderEvents(handle, score, 24000);
    EXPECT_EQ(first.left, again.left);
}

TEST_P(KernelSound, EveryAcceptedParameterValueRendersFiniteSamples) {
    std::mt19937 random(12345);
    const double extremes[] = {-3.4e38, -1e9, -1, -0.5, 0, 1e-40, 0.5, 1, 2.5, 7, 1e9, 3.4e38};
    std::uniform_int_distribution<int> pick(0, 11), index(0, 9), note(0, 127);
    std::uniform_real_distribution<double> unit(0, 1);
    float* out = nullptr;
    uint64_t length = 0;
    KERNEL(output_view)(handle, &out, &length);
    for (int block = 0; block < 1500; ++block) {
        for (int i = 0; i < 3; ++i) {
            const double value = unit(random) < 0.5 ? extremes[pick(random)] : unit(random) * 10 - 5;
            ASSERT_EQ(KERNEL(push_event)(handle, 1, uint32_t(i * 20), uint32_t(index(random)), value), 0);
        }
        ASSERT_EQ(KERNEL(push_event)(handle, 2, 70, uint32_t(note(random)), unit(random)), 0);
        if (block % 7 == 0) {
            ASSERT_EQ(KERNEL(push_event)(handle, 2, 90, 127, 3), 0);
        }
        ASSERT_EQ(KERNEL(process)(handle, 128), 0);
        for (int i = 0; i < 256; ++i) ASSERT_TRUE(std::isfinite(out[i])) << block << " " << i;
    }
}

TEST_P(KernelSound, OddSampleRatesRenderFiniteSamples) {
    for (double rate : {1.0, 100.0, 8000.0, 384000.0, 1e9}) {
        const uint32_t h = test::createInstance(rate);
        ASSERT_NE(h, 0u) << rate;
        const auto out = renderEvents(h, {noteOn(0, 127), noteOn(10, 0)}, 4096);
        for (size_t i = 0; i < out.left.size(); ++i) {
            ASSERT_TRUE(std::isfinite(out.left[i]) && std::isfinite(out.right[i])) << rate;
        }
        KERNEL(destroy)(h);
    }
}

INSTANTIATE_TEST_SUITE_P(Renderers, KernelSound, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "scalar" : "selected";
                         });

}  // namespace
}  // namespace velmo
