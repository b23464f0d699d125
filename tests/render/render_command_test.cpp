// zuriz-render's listings, its refusals, its output formats and --preset-file, run as a user
// runs the program.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "scratch_dir.h"
#include "tests/render/command_run.h"

namespace {

namespace fs = std::filesystem;

using Audio = velmo::test::AudioData;
const auto readAudio = velmo::test::readAudioFile;

// Runs zuriz-render with `args`; its exit status, and standard output and error together.
int render(const std::string& args, std::string& output) {
    output.clear();
    return velmo::test::runCommand(
        std::string(ZURIZ_RENDER_PROGRAM) + " --plugin " ZURIZ_BUNDLE_DIR " " + args + " 2>&1", output);
}

class RenderCommand : public ::testing::Test {
protected:
    std::string file(const std::string& name) const { return dir_.file(name); }

    velmo::test::ScratchDir dir_;
};

TEST_F(RenderCommand, ListsParametersAndPresetsAndRefusesOutOfRangeValues) {
    std::string out;
    ASSERT_EQ(render("--list-params", out), 0) << out;
    EXPECT_NE(out.find("strike.position  Position           0 to 1, default 0.15"), std::string::npos) << out;
    EXPECT_NE(out.find("ir.family        Bell               0 to 4 (Carillon to Singing Bowl)"), std::string::npos);
    EXPECT_NE(out.find("amp.release      Release            0.02 to 4 s"), std::string::npos);

    ASSERT_EQ(render("--list-presets", out), 0) << out;
    EXPECT_NE(out.find("0  Cathedral Carillon\n1  Deep Bourdon\n"), std::string::npos) << out;
    EXPECT_NE(out.find("9  Meditation Bowl\n"), std::string::npos) << out;

    // Refused before anything is rendered, the range in the message; nothing is written.
    EXPECT_NE(render("--param strike.position=7 --out " + file("x.wav"), out), 0);
    EXPECT_NE(out.find("strike.position=7 is outside the range of strike.position: 0 to 1"), std::string::npos) << out;
    EXPECT_NE(render("--param ir.decayScale=0.1 --out " + file("x.wav"), out), 0);
    EXPECT_NE(out.find("0.2 to 2.5"), std::string::npos) << out;
    EXPECT_NE(render("--out " + file("x.mp3"), out), 0);
    EXPECT_NE(out.find(".wav, .flac or .ogg"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(file("x.wav")));
    EXPECT_NE(render("--preset-file " + file("missing.vstpreset") + " --out " + file("x.wav"), out), 0);
}

TEST_F(RenderCommand, PresetFileSoundsLikeItsProgramInEveryFormat) {
    const std::string preset = std::string(ZURIZ_BUNDLE_DIR) + "/Contents/Resources/Presets/Deep Bourdon.vstpreset";
    std::string out;
    ASSERT_EQ(render("--tail 1 --preset 1 --out " + file("program.wav"), out), 0) << out;
    ASSERT_EQ(render("--tail 1 --preset-file '" + preset + "' --out " + file("file.wav"), out), 0) << out;
    ASSERT_EQ(render("--tail 1 --preset-file '" + preset + "' --out " + file("file.FLAC"), out), 0) << out;
    ASSERT_EQ(render("--tail 1 --preset-file '" + preset + "' --out " + file("file.ogg"), out), 0) << out;

    const Audio program = readAudio(file("program.wav"));
    const Audio wav = readAudio(file("file.wav"));
    const Audio flac = readAudio(file("file.FLAC"));
    const Audio ogg = readAudio(file("file.ogg"));
    EXPECT_EQ(wav.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(flac.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    EXPECT_EQ(ogg.format, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
    ASSERT_FALSE(program.samples.empty());
    EXPECT_EQ(wav.samples, program.samples) << "the preset file is the program";
    ASSERT_EQ(flac.samples.size(), program.samples.size());
    ASSERT_EQ(ogg.samples.size(), program.samples.size());
    double flacError = 0.0;
    for (size_t i = 0; i < program.samples.size(); ++i)
        flacError = std::max(flacError, std::abs(double(flac.samples[i]) - program.samples[i]));
    EXPECT_LT(flacError, 1e-6) << "24-bit quantisation only";
}

}  // namespace
