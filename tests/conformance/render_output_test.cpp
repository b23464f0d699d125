// zuriz-render, run as a user runs it: the demo through the built bundle into a WAV file that
// is clean, sensibly loud, and plays each family's fundamental in its own section.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/render/command_run.h"
#include "tools/render/demo_score.h"

namespace velmo::render {
namespace {

namespace fs = std::filesystem;

// Each family's fundamental as a ratio of the note's frequency, in family order: the prime
// of the bells, and for the tubes their strongest partial, the octave (they have no mode at
// the note itself). Only the carillon has a hum an octave below the note.
constexpr double FUNDAMENTAL_RATIO[5] = {1.0, 2.0, 1.0, 1.0, 1.0};
constexpr bool HAS_HUM[5] = {true, false, false, false, false};

using Wav = test::AudioData;
const auto readWav = test::readAudioFile;
const auto run = test::runCommand;

// Hann-windowed mono mix of a stretch of interleaved stereo.
std::vector<double> windowedMono(const Wav& w, double fromSeconds, double toSeconds) {
    const auto from = static_cast<size_t>(fromSeconds * w.rate);
    const auto to = std::min(static_cast<size_t>(toSeconds * w.rate), w.samples.size() / 2);
    std::vector<double> x;
    for (size_t f = from; f < to; ++f) {
        const double window = 0.5 - 0.5 * std::cos(2.0 * M_PI * double(f - from) / double(to - from));
        x.push_back(0.5 * (w.samples[2 * f] + w.samples[2 * f + 1]) * window);
    }
    return x;
}

// Magnitude of one frequency (Goertzel).
double magnitudeAt(const std::vector<double>& x, double frequency, double rate) {
    const double coeff = 2.0 * std::cos(2.0 * M_PI * frequency / rate);
    double s1 = 0.0, s2 = 0.0;
    for (double v : x) {
        const double s0 = v + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - coeff * s1 * s2)) / double(x.size());
}

// How far a frequency stands out: its magnitude over the median of the octave around it
// (on a grid of quarter tones).
double prominence(const std::vector<double>& x, double frequency, double rate) {
    std::vector<double> around;
    for (int step = -24; step <= 24; ++step)
        if (step != 0) around.push_back(magnitudeAt(x, frequency * std::pow(2.0, step / 24.0), rate));
    std::nth_element(around.begin(), around.begin() + long(around.size() / 2), around.end());
    return magnitudeAt(x, frequency, rate) / around[around.size() / 2];
}

class RenderOutput : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("zuriz-render-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(RenderOutput, DemoThroughTheBundleIsCleanAndShowsEachFamily) {
    const fs::path wav = dir / "demo.wav";
    std::string printed;
    ASSERT_EQ(run(std::string(ZURIZ_RENDER_PROGRAM) + " --plugin '" ZURIZ_BUNDLE_DIR "' --out '" +
                      wav.string() + "'",
                  printed),
              0)
        << printed;
    // One summary line: the file, duration, peak, RMS and real-time factor.
    EXPECT_NE(printed.find(wav.string() + ": 20.00 s, peak "), std::string::npos) << printed;
    EXPECT_NE(printed.find(" dBFS, RMS "), std::string::npos) << printed;
    EXPECT_NE(printed.find("x real time"), std::string::npos) << printed;
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;

    const Wav w = readWav(wav.string());
    ASSERT_EQ(w.rate, 48000);
    ASSERT_EQ(w.channels, 2);
    double peak = 0.0;
    for (float v : w.samples) {
        ASSERT_TRUE(std::isfinite(v));
        peak = std::max(peak, double(std::fabs(v)));
    }
    const double peakDb = 20.0 * std::log10(peak);
    EXPECT_LT(peakDb, 0.0);
    EXPECT_GT(peakDb, -30.0);

    const Score score = demoScore();
    ASSERT_EQ(score.sections.size(), 5u);
    for (size_t k = 0; k < score.sections.size(); ++k) {
        const ScoreSection& section = score.sections[k];
        const std::vector<double> x = windowedMono(w, section.startSeconds, section.endSeconds);
        const double note = 440.0 * std::pow(2.0, (section.fundamentalNote - 69) / 12.0);
        const double fundamental = note * FUNDAMENTAL_RATIO[k];
        EXPECT_GT(prominence(x, fundamental, w.rate), 10.0)
            << section.family << ": the fundamental " << fundamental << " Hz does not stand out";
        const double hum = prominence(x, 0.5 * note, w.rate);
        if (HAS_HUM[k]) {
            EXPECT_GT(hum, 10.0) << section.family << " lacks its hum";
        } else {
            EXPECT_LT(hum, 3.0) << section.family << " has a hum it should not have";
        }
        if (FUNDAMENTAL_RATIO[k] != 1.0) {
            EXPECT_LT(prominence(x, note, w.rate), 3.0) << section.family << " sounds at the note itself";
        }
    }
}

TEST_F(RenderOutput, MidiFilePlaysItsNotesAtTheirTimes) {
    // One A4 (440 Hz) from 1.0 s to 1.5 s at 120 bpm, 96 ticks per quarter, on Handbells.
    const unsigned char file[] = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
        'M', 'T', 'r', 'k', 0, 0, 0, 13,
        0x81, 0x40, 0x90, 69, 100,  // 192 ticks = 1 s: note on
        0x60, 0x80, 69, 0,          // 96 ticks = 0.5 s later: note off
        0x00, 0xFF, 0x2F, 0x00};    // end of track
    const fs::path mid = dir / "a4.mid";
    FILE* f = std::fopen(mid.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(file, 1, sizeof file, f);
    std::fclose(f);
    std::string printed;
    const fs::path wav = dir / "a4.wav";
    ASSERT_EQ(run(std::string(ZURIZ_RENDER_PROGRAM) + " --midi '" + mid.string() +
                      "' --param ir.family=Handbells --tail 1 --out '" + wav.string() + "'",
                  printed),
              0)
        << printed;
    EXPECT_NE(printed.find(": 2.50 s, "), std::string::npos) << "1.5 s of score and 1 s of tail: " << printed;
    const Wav w = readWav(wav.string());
    ASSERT_EQ(w.samples.size(), size_t(2.5 * 48000) * 2);
    // Silence before the note; the note at 440 Hz after it.
    double before = 0.0;
    for (size_t i = 0; i < size_t(0.99 * 48000) * 2; ++i) before = std::max(before, double(std::fabs(w.samples[i])));
    EXPECT_EQ(before, 0.0);
    EXPECT_GT(prominence(windowedMono(w, 1.0, 2.5), 440.0, w.rate), 10.0);
}

TEST_F(RenderOutput, BadArgumentsAndMissingBundlesFailWithAReason) {
    std::string printed;
    EXPECT_EQ(run(std::string(ZURIZ_RENDER_PROGRAM) + " --block 0 2>&1", printed), 2);
    EXPECT_NE(printed.find("zuriz-render: --block"), std::string::npos) << printed;
    printed.clear();
    EXPECT_EQ(run(std::string(ZURIZ_RENDER_PROGRAM) + " --plugin '" + (dir / "None.vst3").string() +
                      "' --out '" + (dir / "x.wav").string() + "' 2>&1",
                  printed),
              1);
    EXPECT_NE(printed.find("cannot load"), std::string::npos) << printed;
    EXPECT_FALSE(fs::exists(dir / "x.wav"));
    printed.clear();
    EXPECT_EQ(run(std::string(ZURIZ_RENDER_PROGRAM) + " --help", printed), 0);
    EXPECT_NE(printed.find("usage: zuriz-render"), std::string::npos);
}

TEST_F(RenderOutput, PresetAndPinnedParametersChangeTheSound) {
    // Glass held over the demo: every section then rings at Glass's partials, and the
    // Carillon section's hum (half the note frequency) disappears.
    std::string printed;
    const fs::path plain = dir / "plain.wav", glass = dir / "glass.wav";
    ASSERT_EQ(run(std::string(ZURIZ_RENDER_PROGRAM) + " --tail 0 --out '" + plain.string() + "'", printed), 0)
        << printed;
    ASSERT_EQ(run(std::string(ZURIZ_RENDER_PROGRAM) + " --tail 0 --preset 'meditation bowl'"
                      " --param ir.family=Glass --param Level=0.5 --out '" + glass.string() + "'",
                  printed),
              0)
        << printed;
    const Wav a = readWav(plain.string()), b = readWav(glass.string());
    ASSERT_EQ(a.samples.size(), b.samples.size());
    const ScoreSection carillon = demoScore().sections[0];
    auto hum = [&](const Wav& w) {
        const std::vector<double> x = windowedMono(w, carillon.startSeconds, carillon.endSeconds);
        return magnitudeAt(x, 0.5 * 440.0 * std::pow(2.0, (carillon.fundamentalNote - 69) / 12.0), w.rate);
    };
    EXPECT_LT(hum(b), 0.1 * hum(a));

    printed.clear();
    EXPECT_EQ(run(std::string(ZURIZ_RENDER_PROGRAM) + " --preset 'No Such Preset' --out '" +
                      (dir / "n.wav").string() + "' 2>&1",
                  printed),
              1);
    EXPECT_NE(printed.find("Deep Bourdon"), std::string::npos) << "the programs are listed: " << printed;
    printed.clear();
    EXPECT_EQ(run(std::string(ZURIZ_RENDER_PROGRAM) + " --param ir.family=Brass --out '" +
                      (dir / "n.wav").string() + "' 2>&1",
                  printed),
              1);
    EXPECT_NE(printed.find("Brass"), std::string::npos) << printed;
}

}  // namespace
}  // namespace velmo::render
