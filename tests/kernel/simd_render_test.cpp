// The vectorised voice renderer against the scalar reference renderer: whole notes of every
// family, through every instruction set this CPU runs, within 1e-4 of full scale; and the
// kernel's automatic choice against the forced scalar path through the C entry points.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "bells_state_fixture.h"
#include "kernel/bell_families.h"
#include "kernel/modal_render.h"
#include "kernel/simd/modal_render_simd.h"
#include "kernel_test_support.h"
#include "realtime_guard.h"

namespace velmo {

void PrintTo(SimdLevel level, std::ostream* out) { *out << simdLevelName(level); }

namespace {

constexpr double TOLERANCE = 1e-4;  // of full scale, about -80 dBFS

std::vector<SimdLevel> availableLevels() {
    std::vector<SimdLevel> levels;
    for (SimdLevel level : {SimdLevel::Sse2, SimdLevel::Avx2, SimdLevel::Avx512})
        if (simdLevelAvailable(level)) levels.push_back(level);
    return levels;
}

// Two identically driven bells states, one rendered by the scalar renderer and one by a
// vectorised one; every rendered frame and the voices' control state are compared.
class Twins {
public:
    explicit Twins(SimdLevel level)
        : reference_(test::preparedBells()),
          fast_(test::preparedBells()),
          render_(modalRendererFor(level)) {}

    void set(const char* key, double value) {
        ASSERT_TRUE(bells::setParameter(*reference_, key, value));
        ASSERT_TRUE(bells::setParameter(*fast_, key, value));
    }
    void note(int kind, int note, double velocity) {
        ASSERT_TRUE(bells::handleEvent(*reference_, kind, note, velocity));
        ASSERT_TRUE(bells::handleEvent(*fast_, kind, note, velocity));
    }
    void noteOn(int n, double velocity = 1.0) { note(PROCESSOR_EVENT_NOTE_ON, n, velocity); }
    void noteOff(int n) { note(PROCESSOR_EVENT_NOTE_OFF, n, 0.0); }

    // Renders `frames` frames in pieces of at most `piece`, comparing as it goes.
    void render(int frames, int piece = 128) {
        for (int done = 0; done < frames && !HasFatalFailure();) {
            const int n = std::min(piece, frames - done);
            renderPiece(n);
            done += n;
        }
    }
    // Renders until neither state has a sounding voice.
    void renderUntilSilent(int limitFrames) {
        for (int done = 0; done < limitFrames && sounding() && !HasFatalFailure(); done += 128)
            renderPiece(128);
        EXPECT_FALSE(sounding()) << "voices still sounding after " << limitFrames << " frames";
    }
    bool sounding() const {
        for (int v = 0; v < MODAL_STRUCK_MAX_VOICES; ++v)
            if (reference_->modal.voiceActive[v] || fast_->modal.voiceActive[v]) return true;
        return false;
    }
    double largestDifference() const { return largest_; }
    double loudest() const { return loudest_; }
    ModalStruckState& fastModal() { return fast_->modal; }

private:
    static bool HasFatalFailure() { return ::testing::Test::HasFatalFailure(); }

    void renderPiece(int n) {
        float refL[128], refR[128], fastL[128], fastR[128];
        renderModalVoicesScalar(reference_->modal, refL, refR, uint32_t(n));
        render_(fast_->modal, fastL, fastR, uint32_t(n));
        for (int i = 0; i < n; ++i) {
            const double d = std::max(std::abs(double(fastL[i]) - refL[i]),
                                      std::abs(double(fastR[i]) - refR[i]));
            largest_ = std::max(largest_, d);
            loudest_ = std::max(loudest_, double(std::abs(refL[i])));
            ASSERT_LE(d, TOLERANCE)
                << "frame " << frame_ + i << ": " << refL[i] << " vs " << fastL[i];
            ASSERT_TRUE(std::isfinite(fastL[i]) && std::isfinite(fastR[i]));
        }
        frame_ += n;
        const ModalStruckState& a = reference_->modal;
        const ModalStruckState& b = fast_->modal;
        for (int v = 0; v < MODAL_STRUCK_MAX_VOICES; ++v) {
            ASSERT_EQ(a.voiceActive[v], b.voiceActive[v]) << "voice " << v << " at " << frame_;
            ASSERT_EQ(a.voiceAge[v], b.voiceAge[v]) << "voice " << v;
            ASSERT_EQ(a.exciteRemaining[v], b.exciteRemaining[v]) << "voice " << v;
            ASSERT_EQ(a.releaseRemaining[v], b.releaseRemaining[v]) << "voice " << v;
            ASSERT_EQ(a.noiseState[v], b.noiseState[v]) << "voice " << v;
            if (!a.voiceActive[v]) {
                for (int k = 0; k < MODAL_STRUCK_LANES; ++k)
                    ASSERT_TRUE(b.stateRe[v][k] == 0 && b.stateIm[v][k] == 0)
                        << "a freed voice is silent, voice " << v;
            }
        }
    }

    test::BellsStatePtr reference_;
    test::BellsStatePtr fast_;
    ModalRenderFunction render_;
    int frame_ = 0;
    double largest_ = 0;
    double loudest_ = 0;
};

constexpr int RATE = 48000;
constexpr int LONGEST_RING = 10 * RATE;  // ring times are at most 9 s

class SimdRender : public ::testing::TestWithParam<SimdLevel> {};

// Each family: a spread chord struck at different velocities and frames, half of it released,
// then rung out until every voice has been freed by its release or its ring time.
TEST_P(SimdRender, WholeNotesOfEveryFamilyMatchTheReference) {
    for (int family = 0; family < BELLS_FAMILY_COUNT; ++family) {
        SCOPED_TRACE("family " + std::to_string(family));
        Twins twins(GetParam());
        twins.set("ir.family", family);
        const int notes[] = {36, 48, 60, 67, 72, 79, 84, 96};
        for (int i = 0; i < 8; ++i) {
            twins.noteOn(notes[i], 0.3 + 0.09 * i);
            twins.render(37 + 13 * i, 53);  // strikes fall inside blocks
        }
        twins.render(RATE / 2);
        for (int i = 0; i < 8; i += 2) twins.noteOff(notes[i]);
        twins.renderUntilSilent(LONGEST_RING);
        EXPECT_GT(twins.loudest(), 0.01) << "the comparison must hear something";
        RecordProperty("largest_difference_family_" + std::to_string(family),
                       std::to_string(twins.largestDifference()));
    }
}

// The corners of the parameter space: full width and strike at the centre, extreme sizes,
// hardest and softest strikes with full contact noise, heavy damping (tails deep into the
// flushed range), the longest ring, the shortest release, and stealing beyond ten voices.
TEST_P(SimdRender, ExtremeSettingsAndStealingMatchTheReference) {
    struct Setting {
        const char* key;
        double value;
    };
    const std::vector<std::vector<Setting>> cases = {
        {{"ir.stereoWidth", 1}, {"strike.position", 1}, {"ir.size", 0.5}},
        {{"ir.size", 2}, {"strike.hardness", 1}, {"strike.noise", 1}, {"ir.family", 3}},
        {{"strike.hardness", 0}, {"strike.noise", 0.9}, {"ir.family", 1}, {"strike.position", 0}},
        {{"ir.damping", 3}, {"ir.decayScale", 2.5}, {"ir.family", 4}},
        {{"ir.decayScale", 0.2}, {"ir.damping", 0.2}, {"ir.family", 2}, {"master.level", 1}},
        {{"amp.release", 0.02}, {"ir.family", 0}, {"ir.stereoWidth", 0}},
    };
    for (size_t c = 0; c < cases.size(); ++c) {
        SCOPED_TRACE("case " + std::to_string(c));
        Twins twins(GetParam());
        for (const Setting& s : cases[c]) twins.set(s.key, s.value);
        for (int i = 0; i < 14; ++i) {  // the last four steal the oldest voices
            twins.noteOn(30 + 7 * i, i % 3 == 0 ? 1.0 : 0.55);
            twins.render(29 + 11 * i, 128);
        }
        twins.noteOff(30 + 7 * 12);
        twins.render(2000, 97);
        for (int i = 0; i < 14; ++i) twins.noteOff(30 + 7 * i);
        twins.renderUntilSilent(LONGEST_RING);
    }
}

// A voice freed inside a block keeps ringing up to its last frame, and the frames after it are
// the other voices' alone.
TEST_P(SimdRender, VoiceFreedInsideABlockStopsAtItsLastFrame) {
    Twins twins(GetParam());
    twins.set("amp.release", 0.02);  // 960 frames: the fade ends inside a block
    twins.noteOn(60);
    twins.noteOn(67);
    twins.render(1000, 128);
    twins.noteOff(60);
    twins.render(1100, 128);
    EXPECT_TRUE(twins.sounding());
}

TEST_P(SimdRender, RendersWithoutAllocatingOrLocking) {
    Twins twins(GetParam());
    for (int i = 0; i < 10; ++i) twins.noteOn(48 + 3 * i);
    float left[128], right[128];
    const ModalRenderFunction render = modalRendererFor(GetParam());
    test::RealtimeGuard guard;
    for (int block = 0; block < 200; ++block) render(twins.fastModal(), left, right, 128);
    EXPECT_EQ(guard.allocations(), 0u);
    EXPECT_EQ(guard.locks(), 0u);
}

INSTANTIATE_TEST_SUITE_P(EveryAvailableLevel, SimdRender, ::testing::ValuesIn(availableLevels()),
                         [](const ::testing::TestParamInfo<SimdLevel>& info) {
                             return std::string(simdLevelName(info.param));
                         });

// Through the C entry points: the kernel's own choice against the forced scalar renderer.
TEST(SimdKernel, AutomaticRendererMatchesTheForcedScalarOne) {
    using test::noteOff;
    using test::noteOn;
    using test::parameter;
    const std::vector<test::TimedEvent> score = {
        noteOn(0, 60, 0.8),        noteOn(100, 64, 0.6),   parameter(4000, 0, 1),
        noteOn(4000, 52, 1),       parameter(9000, 0, 2),  noteOn(9001, 76, 0.7),
        parameter(15000, 0, 3),    parameter(15000, 7, 1), noteOn(15000, 81, 0.9),
        noteOff(20000, 60),        parameter(24000, 0, 4), noteOn(24077, 45, 1),
        parameter(30000, 8, 0.05), noteOn(30001, 57, 0.5), noteOff(40000, 45),
        noteOff(40000, 52)};
    ASSERT_EQ(KERNEL(runtime_init)(), 0);
    const uint32_t fast = test::createInstance();
    const uint32_t reference = test::createInstance();
    ASSERT_NE(fast, 0u);
    ASSERT_NE(reference, 0u);
    const test::StereoRender a = test::renderEvents(fast, score, 6 * RATE);
    forceScalarModalRender(true);
    const test::StereoRender b = test::renderEvents(reference, score, 6 * RATE);
    forceScalarModalRender(false);
    ASSERT_EQ(a.left.size(), b.left.size());
    double largest = 0;
    for (size_t i = 0; i < a.left.size(); ++i) {
        largest = std::max(largest, double(std::abs(a.left[i] - b.left[i])));
        largest = std::max(largest, double(std::abs(a.right[i] - b.right[i])));
    }
    EXPECT_LE(largest, TOLERANCE);
    EXPECT_GT(largest, 0.0) << "the automatic renderer should not be the scalar one on x86-64";
}

}  // namespace
}  // namespace velmo
