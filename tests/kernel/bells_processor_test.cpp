// The bells processor: parameters, voice allocation and stealing, note-offs, block rendering.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "bells_state_fixture.h"
#include "kernel/bell_families.h"

namespace velmo {
namespace {

using test::voicePlaying;

class BellsProcessor : public ::testing::Test {
protected:
    void SetUp() override { bells = test::preparedBells(); }
    ModalStruckState& st() { return bells->modal; }
    bool noteOn(double note, double velocity = 1.0) {
        return bells::handleEvent(*bells, PROCESSOR_EVENT_NOTE_ON, note, velocity);
    }
    bool noteOff(double note) { return bells::handleEvent(*bells, PROCESSOR_EVENT_NOTE_OFF, note, 0); }
    ProcessBlock block(double offset, double count) {
        return ProcessBlock{128, count, offset, FloatArea{nullptr, 0}, 0,
                            FloatArea{area.data(), area.size()}, 2};
    }
    test::BellsStatePtr bells;
    std::vector<float> area = std::vector<float>(256, -7.0f);
};

TEST_F(BellsProcessor, ParametersAreClampedAndQuantised) {
    EXPECT_TRUE(bells::setParameter(*bells, "ir.decayScale", 5));
    EXPECT_EQ(st().params[MODAL_STRUCK_PARAM_DECAY_SCALE], 2.5);
    EXPECT_TRUE(bells::setParameter(*bells, "amp.release", 0));
    EXPECT_DOUBLE_EQ(st().params[MODAL_STRUCK_PARAM_RELEASE], 0.02);
    EXPECT_TRUE(bells::setParameter(*bells, "ir.size", 9));
    EXPECT_EQ(bells->size, 2);
    EXPECT_TRUE(bells::setParameter(*bells, "strike.position", -3));
    EXPECT_EQ(bells->position, 0);
    EXPECT_TRUE(bells::setParameter(*bells, "strike.hardness", 0.3333333));
    EXPECT_DOUBLE_EQ(st().params[MODAL_STRUCK_PARAM_HARDNESS], 0.33333);
    EXPECT_TRUE(bells::setParameter(*bells, "ir.family", 2.7));
    EXPECT_EQ(bells->family, 2.7);  // stored raw; selection rounds
    EXPECT_DOUBLE_EQ(st().params[MODAL_STRUCK_PARAM_TAIL_SECONDS], 2.2);
}

TEST_F(BellsProcessor, RefusalsChangeNothing) {
    const double master = st().params[MODAL_STRUCK_PARAM_MASTER];
    EXPECT_FALSE(bells::setParameter(*bells, "master.level", std::nan("")));
    EXPECT_FALSE(bells::setParameter(*bells, "master.level", INFINITY));
    EXPECT_FALSE(bells::setParameter(*bells, "master.gain", 0.5));
    EXPECT_EQ(st().params[MODAL_STRUCK_PARAM_MASTER], master);
    EXPECT_FALSE(bells::handleEvent(*bells, 4, 60, 0.5));
    EXPECT_FALSE(noteOn(128));
    EXPECT_FALSE(noteOn(-1));
    EXPECT_FALSE(noteOn(std::nan("")));
    EXPECT_FALSE(noteOn(60, INFINITY));
    EXPECT_EQ(st().noteOnCounter, 1u);
    EXPECT_TRUE(noteOff(61));  // not sounding: accepted, no change
}

TEST_F(BellsProcessor, ElevenHeldNotesStealTheOldestVoice) {
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(noteOn(50 + i));
    EXPECT_EQ(voicePlaying(*bells, 50), 0);
    EXPECT_EQ(voicePlaying(*bells, 59), 9);
    EXPECT_EQ(st().voiceActive[10], 0);  // voices 10 and 11 are beyond the limit
    ASSERT_TRUE(noteOn(70));
    EXPECT_EQ(voicePlaying(*bells, 70), 0);
    EXPECT_EQ(voicePlaying(*bells, 50), -1);
    ASSERT_TRUE(noteOn(71));
    EXPECT_EQ(voicePlaying(*bells, 71), 1);
}

TEST_F(BellsProcessor, FreeVoiceIsTakenBeforeStealing) {
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(noteOn(50 + i));
    resetModalStruckVoice(st(), 3);
    ASSERT_TRUE(noteOn(60));
    EXPECT_EQ(voicePlaying(*bells, 60), 3);
}

TEST_F(BellsProcessor, RepeatedNoteTakesAnotherVoiceAndOneNoteOffReleasesBoth) {
    ASSERT_TRUE(noteOn(60));
    ASSERT_TRUE(noteOn(60));
    EXPECT_EQ(st().voiceNote[0], 60);
    EXPECT_EQ(st().voiceNote[1], 60);
    ASSERT_TRUE(noteOff(60));
    EXPECT_EQ(st().releaseRemaining[0], 24000);
    EXPECT_EQ(st().releaseRemaining[1], 24000);
}

TEST_F(BellsProcessor, VelocityZeroStillOccupiesAVoiceSilently) {
    ASSERT_TRUE(noteOn(60, 0));
    EXPECT_EQ(voicePlaying(*bells, 60), 0);
    EXPECT_EQ(st().voiceGain[0], 0.0f);
}

TEST_F(BellsProcessor, FamilyChangeReachesNewNotesButRingTimeReachesAll) {
    ASSERT_TRUE(noteOn(60));
    EXPECT_TRUE(bells::setParameter(*bells, "ir.family", 3));
    ASSERT_TRUE(noteOn(62));
    EXPECT_GT(st().modeGain[0][19], 0.0f);   // Carillon mode 9 keeps sounding in voice 0
    EXPECT_EQ(st().modeGain[1][19], 0.0f);   // Glass has six modes
    EXPECT_GT(st().modeGain[1][11], 0.0f);
    EXPECT_DOUBLE_EQ(st().params[MODAL_STRUCK_PARAM_TAIL_SECONDS], 2.2);
}

TEST_F(BellsProcessor, RendersOnlyTheRequestedFrames) {
    ASSERT_TRUE(noteOn(69));
    ASSERT_TRUE(bells::process(*bells, block(0, 100)));
    ASSERT_TRUE(bells::process(*bells, block(100, 28)));
    EXPECT_NE(area[127], -7.0f);
    EXPECT_NE(area[255], -7.0f);
    std::fill(area.begin(), area.end(), -7.0f);
    ASSERT_TRUE(bells::process(*bells, block(100, 28)));
    for (int i = 0; i < 256; ++i) {
        const bool written = (i >= 100 && i < 128) || i >= 228;
        EXPECT_EQ(area[i] != -7.0f, written) << i;
    }
    std::fill(area.begin(), area.end(), -7.0f);
    EXPECT_TRUE(bells::process(*bells, block(5, 0)));
    for (float v : area) EXPECT_EQ(v, -7.0f);
}

TEST_F(BellsProcessor, MalformedBlocksAreRefused) {
    EXPECT_FALSE(bells::process(*bells, block(100, 29)));
    EXPECT_FALSE(bells::process(*bells, block(0.5, 10)));
    EXPECT_FALSE(bells::process(*bells, block(-1, 10)));
    EXPECT_FALSE(bells::process(*bells, block(0, std::nan(""))));
    ProcessBlock shortArea = block(0, 10);
    shortArea.output.length = 255;
    EXPECT_FALSE(bells::process(*bells, shortArea));
    ProcessBlock mono = block(0, 10);
    mono.outputChannels = 1;
    EXPECT_FALSE(bells::process(*bells, mono));
    for (float v : area) EXPECT_EQ(v, -7.0f);

    test::BellsStatePtr unprepared(bells::createState());
    EXPECT_FALSE(bells::process(*unprepared, block(0, 10)));
    EXPECT_FALSE(bells::prepare(*unprepared, ProcessorConfig{0, 64, 2, 48000}));
    EXPECT_FALSE(bells::prepare(*unprepared, ProcessorConfig{0, 128, 2, INFINITY}));
    EXPECT_FALSE(unprepared->prepared);
}

TEST_F(BellsProcessor, ResetSilencesAndReturnsToFactoryValues) {
    ASSERT_TRUE(noteOn(60));
    ASSERT_TRUE(bells::setParameter(*bells, "ir.damping", 2));
    bells::reset(*bells);
    EXPECT_EQ(voicePlaying(*bells, 60), -1);
    EXPECT_EQ(st().noteOnCounter, 1u);
    EXPECT_EQ(st().params[MODAL_STRUCK_PARAM_DAMPING], 1);
    EXPECT_TRUE(bells->prepared);
    EXPECT_EQ(st().sampleRate, 48000);
}

}  // namespace
}  // namespace velmo
