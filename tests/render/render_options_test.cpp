// zuriz-render's command line and its progress bar.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/render/render_options.h"

namespace velmo::render {
namespace {

ParseOutcome parse(std::vector<std::string> args, RenderOptions& o, std::string& error) {
    o = RenderOptions{};
    error.clear();
    return parseRenderOptions(args, o, error);
}

TEST(RenderOptions, DefaultsRenderTheDemoToAFileHere) {
    RenderOptions o;
    std::string error;
    ASSERT_EQ(parse({}, o, error), ParseOutcome::Run);
    EXPECT_EQ(o.out, "zuriz-demo.wav");
    EXPECT_EQ(o.rate, 48000.0);
    EXPECT_EQ(o.block, 512);
    EXPECT_EQ(o.tailSeconds, 4.0);
    EXPECT_TRUE(o.plugin.empty());
    EXPECT_TRUE(o.midi.empty());

    ASSERT_EQ(parse({"--midi", "songs/Bells.of.Home.mid"}, o, error), ParseOutcome::Run);
    EXPECT_EQ(o.out, "Bells.of.Home.wav") << "a MIDI file names the output";
}

TEST(RenderOptions, TakesEveryOptionInBothSpellings) {
    RenderOptions o;
    std::string error;
    ASSERT_EQ(parse({"--plugin", "/x/Other.vst3", "--preset=Deep Bourdon", "--param", "ir.family=Glass",
                     "--param=strike.position=0.5", "--rate", "44100", "--block=1", "--tail", "0",
                     "--out", "a.wav"},
                    o, error),
              ParseOutcome::Run)
        << error;
    EXPECT_EQ(o.plugin, "/x/Other.vst3");
    EXPECT_EQ(o.preset, "Deep Bourdon");
    ASSERT_EQ(o.params.size(), 2u);
    EXPECT_EQ(o.params[0], (std::pair<std::string, std::string>{"ir.family", "Glass"}));
    EXPECT_EQ(o.params[1], (std::pair<std::string, std::string>{"strike.position", "0.5"}));
    EXPECT_EQ(o.rate, 44100.0);
    EXPECT_EQ(o.block, 1);
    EXPECT_EQ(o.tailSeconds, 0.0);
    EXPECT_EQ(o.out, "a.wav");

    EXPECT_EQ(parse({"--rate", "44100", "--help"}, o, error), ParseOutcome::Help);
    EXPECT_EQ(parse({"-h"}, o, error), ParseOutcome::Help);
    EXPECT_NE(std::string(renderHelpText()).find("--preset NAME|INDEX"), std::string::npos);
}

TEST(RenderOptions, RefusesWhatItCannotUse) {
    RenderOptions o;
    std::string error;
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"},           {"--out"},           {"--rate", "fast"},  {"--rate", "100"},
        {"--rate", "44100x"},  {"--block", "0"},    {"--block", "16385"}, {"--block", "2.5"},
        {"--tail", "-1"},      {"--tail", "nan"},   {"--param", "level"}, {"--param", "=1"},
        {"positional.mid"},
    };
    for (const auto& args : bad) {
        EXPECT_EQ(parse(args, o, error), ParseOutcome::Error) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

TEST(RenderOptions, ProgressBarFillsInProportion) {
    EXPECT_EQ(formatProgressBar(0.0, 10), "[..........]   0%");
    EXPECT_EQ(formatProgressBar(0.45, 10), "[####......]  45%");
    EXPECT_EQ(formatProgressBar(1.0, 10), "[##########] 100%");
    EXPECT_EQ(formatProgressBar(7.0, 4), "[####] 100%") << "clamped";
    EXPECT_EQ(formatProgressBar(-1.0, 4), "[....]   0%");
}

}  // namespace
}  // namespace velmo::render
