// The vectorised resonator banks against a plain per-resonator loop, for every instruction set
// this CPU runs and every register shape a voice can take.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "kernel/simd/modal_render_simd.h"
#include "kernel/simd/resonator_bank.h"
#include "kernel/simd/resonator_bank_impl.h"

namespace velmo {
namespace {

using simd::ResonatorBankFn;
using simd::ResonatorVoiceJob;

constexpr int LANES = simd::RESONATOR_BANK_MAX_RESONATORS;
constexpr int BLOCK = simd::RESONATOR_BANK_MAX_FRAMES;

// The bank algorithm over plain arrays of W floats: runs the register shapes of every vector
// width (sixteen-float vectors with an eight-float tail included) on any CPU, so the shape logic
// of a wider instruction set is checked even where that set cannot run.
template <int W>
struct PlainOps {
    struct T {
        float v[W];
    };
    using Tail = std::conditional_t<(W > 4), PlainOps<W / 2>, PlainOps<W>>;
    static constexpr int WIDTH = W;
    static constexpr int REGISTERS = 16;
    template <class F>
    static T map(F f) {
        T r;
        for (int i = 0; i < W; ++i) r.v[i] = f(i);
        return r;
    }
    static T load(const float* p) {
        return map([&](int i) { return p[i]; });
    }
    static void store(float* p, T a) { std::copy(a.v, a.v + W, p); }
    static T zero() { return set1(0.0f); }
    static T set1(float x) {
        return map([&](int) { return x; });
    }
    static T add(T a, T b) {
        return map([&](int i) { return a.v[i] + b.v[i]; });
    }
    static T sub(T a, T b) {
        return map([&](int i) { return a.v[i] - b.v[i]; });
    }
    static T mul(T a, T b) {
        return map([&](int i) { return a.v[i] * b.v[i]; });
    }
    static T fmadd(T a, T b, T c) {
        return map([&](int i) { return a.v[i] * b.v[i] + c.v[i]; });
    }
    template <class H>
    static T addTail(T a, H b) {
        return map(
            [&](int i) { return i < int(sizeof b.v / sizeof(float)) ? a.v[i] + b.v[i] : a.v[i]; });
    }
    static T divideWhereNonZero(T a, T b, T keep) {
        return map([&](int i) { return b.v[i] != 0.0f ? a.v[i] / b.v[i] : keep.v[i]; });
    }
    static void foldMix(const float* mix, int frames, double master, float* left, float* right) {
        for (int i = 0; i < frames; ++i) {
            float l = 0.0f, r = 0.0f;
            for (int k = 0; k < W; k += 2) {
                l += mix[i * W + k];
                r += mix[i * W + k + 1];
            }
            left[i] = float(master * l);
            right[i] = float(master * r);
        }
    }
};

template <int W>
void renderPlain(const ResonatorVoiceJob* jobs, int count, int frames, double master, float* left,
                 float* right) {
    simd::detail::renderBank<PlainOps<W>>(jobs, count, frames, master, left, right);
}

struct Bank {
    std::string name;
    ResonatorBankFn render;
};

std::vector<Bank> availableBanks() {
    std::vector<Bank> banks = {
        {"plain4", &renderPlain<4>}, {"plain8", &renderPlain<8>}, {"plain16", &renderPlain<16>}};
    const std::pair<SimdLevel, ResonatorBankFn> native[] = {
        {SimdLevel::Sse2, &simd::renderResonatorBankSse2},
        {SimdLevel::Avx2, &simd::renderResonatorBankAvx2},
        {SimdLevel::Avx512, &simd::renderResonatorBankAvx512}};
    for (const auto& [level, render] : native)
        if (simdLevelAvailable(level)) banks.push_back({simdLevelName(level), render});
    return banks;
}

// One voice's arrays plus its per-frame inputs.
struct Voice {
    float re[LANES], im[LANES], c[LANES], s[LANES], gain[LANES];
    std::vector<float> excite, envelope;
    int resonators = 0;
    int frames = BLOCK;
    bool exciting = false;

    bool steady = false;  // one gain for the whole block, passed as steadyGain

    ResonatorVoiceJob job() {
        return {re,
                im,
                c,
                s,
                gain,
                resonators,
                exciting ? excite.data() : nullptr,
                steady ? nullptr : envelope.data(),
                steady ? envelope[0] : 1.0f,
                frames};
    }
};

// A stable, ringing voice with `heard` resonators of non-zero gain; the rest have gain 0 and
// arbitrary state, as unused modes do.
Voice randomVoice(std::mt19937& rng, int heard, bool exciting, int frames, bool steady = false) {
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_real_distribution<double> angle(0.0, 3.1);
    std::uniform_real_distribution<double> radius(0.95, 0.99999);
    Voice v;
    for (int k = 0; k < LANES; ++k) {
        const double rho = radius(rng), theta = angle(rng);
        v.c[k] = float(rho * std::cos(theta));
        v.s[k] = float(rho * std::sin(theta));
        v.re[k] = unit(rng);
        v.im[k] = unit(rng);
        v.gain[k] = k < heard ? 0.05f + std::abs(unit(rng)) : 0.0f;
    }
    v.resonators = heard;
    v.exciting = exciting;
    v.frames = frames;
    v.excite.resize(BLOCK);
    v.envelope.resize(BLOCK);
    for (int i = 0; i < BLOCK; ++i) {
        v.excite[i] = exciting ? 0.8f * unit(rng) : 0.0f;
        v.envelope[i] = 0.02f * (1.0f + 0.5f * unit(rng));
    }
    v.steady = steady;
    if (steady) std::fill(v.envelope.begin(), v.envelope.end(), v.envelope[0]);
    return v;
}

// The voice step's resonator loop, one frame at a time.
void referenceRender(std::vector<Voice>& voices, int frames, double master, float* left,
                     float* right) {
    for (int i = 0; i < frames; ++i) {
        float mix[2] = {0.0f, 0.0f};
        for (Voice& v : voices) {
            if (i >= v.frames) continue;
            const float e = v.exciting ? v.excite[i] : 0.0f;
            float sum[2] = {0.0f, 0.0f};
            for (int k = 0; k < LANES; ++k) {
                const float u = e + v.re[k];
                const float oldIm = v.im[k];
                v.re[k] = v.c[k] * u - v.s[k] * oldIm;
                v.im[k] = v.s[k] * u + v.c[k] * oldIm;
                sum[k & 1] += v.im[k] * v.gain[k];
            }
            mix[0] += sum[0] * v.envelope[i];
            mix[1] += sum[1] * v.envelope[i];
        }
        left[i] = float(master * mix[0]);
        right[i] = float(master * mix[1]);
    }
}

class ResonatorBankTest : public ::testing::Test {
protected:
    void SetUp() override {
        banks_ = availableBanks();
        ASSERT_GT(banks_.size(), 3u) << "SSE2 is part of every x86-64 CPU";
    }
    std::vector<Bank> banks_;
};

// Every heard-resonator count (each register shape: whole vectors, a half-width tail, or both),
// with and without excitation, over several blocks so that state carried between blocks counts.
TEST_F(ResonatorBankTest, MatchesThePlainLoopForEveryShape) {
    for (const Bank& bank : banks_) {
        for (int heard = 2; heard <= LANES; heard += 2) {
            for (int variant = 0; variant < 4; ++variant) {
                const bool exciting = variant & 1, steady = variant & 2;
                SCOPED_TRACE(bank.name + " resonators " + std::to_string(heard) +
                             (exciting ? " excited" : " ringing") +
                             (steady ? " steady gain" : " gain per frame"));
                std::mt19937 rng(heard * 4 + variant);
                // Three voices of the shape (steady ringing ones are rendered in pairs, so one
                // pair and one single), one of a neighbouring shape, and one with a gain per frame.
                const int other = heard == LANES ? heard - 2 : heard + 2;
                std::vector<Voice> reference = {randomVoice(rng, heard, exciting, BLOCK, steady),
                                                randomVoice(rng, other, exciting, BLOCK, steady),
                                                randomVoice(rng, heard, exciting, BLOCK, steady),
                                                randomVoice(rng, heard, exciting, BLOCK),
                                                randomVoice(rng, heard, exciting, BLOCK, steady)};
                std::vector<Voice> fast = reference;
                float refL[BLOCK], refR[BLOCK], fastL[BLOCK], fastR[BLOCK];
                for (int block = 0; block < 8; ++block) {
                    referenceRender(reference, BLOCK, 0.78, refL, refR);
                    std::vector<ResonatorVoiceJob> jobs;
                    for (Voice& v : fast) jobs.push_back(v.job());
                    bank.render(jobs.data(), int(jobs.size()), BLOCK, 0.78, fastL, fastR);
                    for (int i = 0; i < BLOCK; ++i) {
                        ASSERT_NEAR(fastL[i], refL[i], 2e-5) << "block " << block << " frame " << i;
                        ASSERT_NEAR(fastR[i], refR[i], 2e-5) << "block " << block << " frame " << i;
                    }
                }
                for (size_t v = 0; v < fast.size(); ++v)
                    for (int k = 0; k < fast[v].resonators; ++k) {
                        EXPECT_NEAR(fast[v].re[k], reference[v].re[k], 1e-4) << "lane " << k;
                        EXPECT_NEAR(fast[v].im[k], reference[v].im[k], 1e-4) << "lane " << k;
                    }
            }
        }
    }
}

// Unheard resonators (zero gain) are left exactly as stored: the scaled carry must never turn
// them into 0/0.
TEST_F(ResonatorBankTest, LeavesZeroGainResonatorsAsStored) {
    for (const Bank& bank : banks_) {
        SCOPED_TRACE(bank.name);
        for (int heard : {2, 6, 10, 20, 26}) {
            std::mt19937 rng(heard);
            Voice v = randomVoice(rng, heard, true, BLOCK);
            v.gain[0] = 0.0f;  // a silent mode among heard ones
            const Voice before = v;
            ResonatorVoiceJob job = v.job();
            float left[BLOCK], right[BLOCK];
            bank.render(&job, 1, BLOCK, 1.0, left, right);
            for (int k = 0; k < LANES; ++k) {
                ASSERT_TRUE(std::isfinite(v.re[k]) && std::isfinite(v.im[k])) << "lane " << k;
                if (k == 0 || k >= heard) {
                    EXPECT_EQ(v.re[k], before.re[k]) << "lane " << k;
                    EXPECT_EQ(v.im[k], before.im[k]) << "lane " << k;
                }
            }
        }
    }
}

// A voice freed inside the block contributes only up to its last frame; frames with no voice
// are written as silence; the master level scales everything.
TEST_F(ResonatorBankTest, MixesVoicesOfDifferentLengthsAndWritesEveryFrame) {
    for (const Bank& bank : banks_) {
        SCOPED_TRACE(bank.name);
        std::mt19937 rng(7);
        std::vector<Voice> reference = {randomVoice(rng, 20, true, 100),
                                        randomVoice(rng, 8, false, 37, true),
                                        randomVoice(rng, 32, false, 1)};
        std::vector<Voice> fast = reference;
        float refL[BLOCK], refR[BLOCK];
        referenceRender(reference, 110, 0.5, refL, refR);
        float left[BLOCK], right[BLOCK];
        std::fill(left, left + BLOCK, 9.0f);
        std::fill(right, right + BLOCK, 9.0f);
        ResonatorVoiceJob jobs[3] = {fast[0].job(), fast[1].job(), fast[2].job()};
        bank.render(jobs, 3, 110, 0.5, left, right);
        for (int i = 0; i < 110; ++i) {
            ASSERT_NEAR(left[i], refL[i], 1e-5) << "frame " << i;
            ASSERT_NEAR(right[i], refR[i], 1e-5) << "frame " << i;
        }
        for (int i = 100; i < 110; ++i) EXPECT_EQ(left[i], 0.0f) << "no voice sounds at " << i;
        EXPECT_EQ(left[110], 9.0f) << "frames past the block are not touched";

        float silentL[BLOCK], silentR[BLOCK];
        std::fill(silentL, silentL + BLOCK, 9.0f);
        std::fill(silentR, silentR + BLOCK, 9.0f);
        bank.render(nullptr, 0, BLOCK, 0.78, silentL, silentR);
        for (int i = 0; i < BLOCK; ++i) ASSERT_TRUE(silentL[i] == 0.0f && silentR[i] == 0.0f);
    }
}

TEST(SimdDispatch, PicksTheWidestLevelAndRefusesMissingOnes) {
    EXPECT_TRUE(simdLevelAvailable(SimdLevel::Sse2));
    const SimdLevel widest = widestSimdLevel();
    EXPECT_TRUE(simdLevelAvailable(widest));
    if (simdLevelAvailable(SimdLevel::Avx512)) {
        EXPECT_EQ(widest, SimdLevel::Avx512);
    } else if (simdLevelAvailable(SimdLevel::Avx2)) {
        EXPECT_EQ(widest, SimdLevel::Avx2);
    }
    EXPECT_EQ(fastestModalRenderer(), modalRendererFor(widest));
    EXPECT_NE(fastestModalRenderer(), &renderModalVoicesScalar);
    for (SimdLevel level : {SimdLevel::Sse2, SimdLevel::Avx2, SimdLevel::Avx512}) {
        if (!simdLevelAvailable(level)) {
            EXPECT_EQ(modalRendererFor(level), &renderModalVoicesScalar) << simdLevelName(level);
        }
    }
}

}  // namespace
}  // namespace velmo
