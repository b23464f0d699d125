// Every shape of file the decoder meets: formats, channel averaging, quantisation, chunk walking.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "banks/wav_decode.h"
#include "wav_file.h"

namespace velmo {
namespace {

using namespace test;

constexpr float q(int step) { return static_cast<float>(step / 32768.0); }

struct WavCase {
    const char* name;
    Bytes file;
    std::string message;  // empty: the file decodes
    std::vector<float> samples = {};
    double rate = 48000;
};

std::vector<WavCase> cases()
{
    const Bytes fmt16 = chunk("fmt ", fmtData(1, 1, 44100, 16));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Bytes tooShort = wavFile(1, 1, 48000, 16, pcm16({1, 2, 3, 4}));
    tooShort.resize(43);
    Bytes notRiff = wavFile(1, 1, 48000, 16, pcm16({1}));
    notRiff[3] = 'X';
    Bytes shortExtensible = fmtData(0, 1, 48000, 16, 1);
    shortExtensible.resize(18);
    return {
        {"43 bytes", tooShort, "not a RIFF/WAVE file"},
        {"RIFX", notRiff, "not a RIFF/WAVE file"},
        // 16384 * 32767 / 32768 = 16383.5 rounds away from zero.
        {"mono 16-bit", wavFile(1, 1, 44100, 16, pcm16({32767, -32768, 0, 16384, -16384})), "",
         {q(32766), q(-32767), 0.0f, q(16384), q(-16384)}, 44100},
        {"stereo 16-bit averages", wavFile(1, 2, 48000, 16, pcm16({16384, -16384, 32767, 32767, 2, 1})),
         "", {0.0f, q(32766), q(1)}},
        {"mono 24-bit", wavFile(1, 1, 96000, 24, pcm24({8388607, -8388608, 4194304, 255})), "",
         {q(32767), q(-32767), q(16384), q(1)}, 96000},
        {"stereo 24-bit", wavFile(1, 2, 48000, 24, pcm24({8388607, 8388607, -4194304, 0})), "",
         {q(32767), q(-8192)}},
        {"float limits", wavFile(3, 1, 48000, 32, float32({1.0f, 2.0f, -2.0f, 0.25f, nan})), "",
         {q(32767), q(32767), -1.0f, q(8192), 0.0f}},
        {"stereo float", wavFile(3, 2, 48000, 32, float32({1.0f, -1.0f, 0.5f, 0.5f})), "",
         {0.0f, q(16384)}},
        {"extensible float",
         riff({chunk("fmt ", fmtData(0, 1, 48000, 32, 3)), chunk("data", float32({0.5f, -1.0f}))}),
         "", {q(16384), q(-32767)}},
        {"extensible 16-bit stereo",
         riff({chunk("fmt ", fmtData(0, 2, 22050, 16, 1)), chunk("data", pcm16({100, 300}))}), "",
         {q(200)}, 22050},
        {"extensible fmt shorter than 40 bytes keeps its tag",
         riff({chunk("fmt ", shortExtensible), chunk("data", pcm16({1}))}),
         "unsupported WAV format tag 65534 / 16-bit"},
        {"data declares more than the file holds",
         riff({fmt16, chunk("data", pcm16({32767, 0, -32768}), 1000)}), "",
         {q(32766), 0.0f, q(-32767)}, 44100},
        {"truncated data drops the partial frame",
         riff({fmt16, chunk("data", Bytes{0, 64, 0, 192, 7}, 1000)}), "", {q(16384), q(-16384)},
         44100},
        {"truncated chunk that is not data ends the walk",
         riff({fmt16, chunk("data", pcm16({5})), chunk("LIST", Bytes(4, 0), 9)}), "", {q(5)}, 44100},
        {"odd chunks are padded",
         riff({chunk("junk", Bytes{1, 2, 3}), fmt16, chunk("odd ", Bytes{9}),
               chunk("data", Bytes{0, 64, 0}), chunk("LIST", Bytes{1, 2, 3, 4, 5})}),
         "", {q(16384)}, 44100},
        {"later fmt and data replace earlier ones",
         riff({chunk("fmt ", fmtData(1, 2, 8000, 16)), chunk("data", pcm16({1, 1, 1, 1})), fmt16,
               chunk("data", pcm16({16384}))}),
         "", {q(16384)}, 44100},
        {"fmt shorter than 16 bytes is ignored",
         riff({chunk("fmt ", Bytes(14, 1)), chunk("data", pcm16({1, 2, 3, 4}))}),
         "unsupported channel count 0"},
        {"rate 0", wavFile(1, 1, 0, 16, pcm16({0, 0})), "", {0.0f, 0.0f}, 48000},
        {"8-bit", wavFile(1, 1, 48000, 8, Bytes(8, 128)), "unsupported WAV format tag 1 / 8-bit"},
        {"32-bit integer", wavFile(1, 1, 48000, 32, Bytes(8, 0)),
         "unsupported WAV format tag 1 / 32-bit"},
        {"64-bit float", wavFile(3, 1, 48000, 64, Bytes(16, 0)),
         "unsupported WAV format tag 3 / 64-bit"},
        {"three channels", wavFile(1, 3, 48000, 16, Bytes(12, 0)), "unsupported channel count 3"},
        {"data header at the very end", riff({fmt16, chunk("LIST", Bytes(8, 0)), chunk("data", {}, 100)}),
         "no data chunk"},
        {"no data chunk", riff({fmt16, chunk("LIST", Bytes(8, 0))}), "no data chunk"},
        {"empty data chunk", riff({fmt16, chunk("data", {}), chunk("LIST", Bytes(8, 0))}),
         "no data chunk"},
        {"under 8 bits", wavFile(1, 1, 48000, 4, Bytes(8, 0)), "empty or unreadable data chunk"},
        {"less than one frame", riff({chunk("fmt ", fmtData(1, 2, 48000, 24)), chunk("data", Bytes(5, 0)),
                                      chunk("LIST", Bytes(4, 0))}),
         "empty or unreadable data chunk"},
    };
}

TEST(WavDecode, EveryCase)
{
    for (const WavCase& c : cases()) {
        SCOPED_TRACE(c.name);
        WavAudio audio;
        audio.samples = {9.0f};
        std::string message;
        const bool ok = decodeWav(c.file, audio, message);
        if (!c.message.empty()) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(message, c.message);
            continue;
        }
        ASSERT_TRUE(ok) << message;
        EXPECT_EQ(audio.samples, c.samples);
        EXPECT_EQ(audio.sampleRate, c.rate);
    }
}

// The integer formats take an exact integer shortcut; it must agree with the plain rule (mean of
// the channels in [-1, 1), times 32767, rounded half away from zero, over 32768) everywhere.
TEST(WavDecode, IntegerFormatsFollowTheQuantisationRule)
{
    const auto rule = [](double mean) { return static_cast<float>(std::round(mean * 32767.0) / 32768.0); };
    std::vector<int> all16;
    for (int v = -32768; v <= 32767; ++v) all16.push_back(v);
    std::vector<int> pairs16, pairs24, mono24;
    std::uint32_t noise = 1;
    for (int i = 0; i < 200000; ++i) {
        noise = noise * 1664525u + 1013904223u;
        pairs16.push_back(static_cast<std::int16_t>(noise >> 16));
        mono24.push_back(static_cast<std::int32_t>(noise) >> 8);
        pairs24.push_back(static_cast<std::int32_t>(noise * 2654435761u) >> 8);
    }
    for (int edge : {-8388608, 8388607, -1, 1, 128, -128, 0}) mono24.push_back(edge), pairs24.push_back(edge);
    pairs24.push_back(-8388608);  // even count: frames of two

    const auto decode = [](const Bytes& file) {
        WavAudio audio;
        std::string message;
        EXPECT_TRUE(decodeWav(file, audio, message)) << message;
        return audio.samples;
    };
    const auto expectRule = [&](const std::vector<float>& got, const std::vector<int>& in, int channels,
                                double scale) {
        ASSERT_EQ(got.size(), in.size() / channels);
        for (std::size_t f = 0; f < got.size(); ++f) {
            double sum = 0;
            for (int c = 0; c < channels; ++c) sum += in[f * channels + c] / scale;
            ASSERT_EQ(got[f], rule(sum / channels)) << "frame " << f;
        }
    };
    expectRule(decode(wavFile(1, 1, 48000, 16, pcm16(all16))), all16, 1, 32768.0);
    expectRule(decode(wavFile(1, 2, 48000, 16, pcm16(pairs16))), pairs16, 2, 32768.0);
    expectRule(decode(wavFile(1, 1, 48000, 24, pcm24(mono24))), mono24, 1, 8388608.0);
    expectRule(decode(wavFile(1, 2, 48000, 24, pcm24(pairs24))), pairs24, 2, 8388608.0);
}

}  // namespace
}  // namespace velmo
