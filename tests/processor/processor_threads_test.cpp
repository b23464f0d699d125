// Two processors in one process, rendering on two threads at once, each sound exactly as it
// does alone; one processor taking keys and polls while its audio thread renders.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "diagnostics/audition_note.h"
#include "diagnostics/output_levels.h"
#include "diagnostics/transport_fact.h"
#include "processor_harness.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using velmo::host::ProcessBlock;
using velmo::test::ProcessorHarness;

namespace {

#if defined(ZURIZ_SANITIZED) || defined(ZURIZ_TSAN)
constexpr int kBlocks = 40;
#else
constexpr int kBlocks = 300;
#endif

// Renders a fixed score that differs by `seed`; returns the left channel.
std::vector<float> render(ProcessorHarness& h, int seed) {
    ProcessBlock block({2}, 512);
    std::vector<float> out;
    out.reserve(static_cast<size_t>(kBlocks) * 256);
    for (int b = 0; b < kBlocks; ++b) {
        const int n = 128 + (b * 37 + seed * 11) % 384;
        auto& data = block.begin(n);
        if (b % 8 == 0) {
            block.events().add(velmo::host::makeNoteOn(b % n, static_cast<int16>(48 + seed * 7 + b % 24), 0.9f));
        }
        if (b % 5 == 0) block.params().add(static_cast<ParamID>((b + seed) % 10), n / 2, (b % 11) / 10.0);
        EXPECT_EQ(h.processor->process(data), kResultOk);
        out.insert(out.end(), block.output(0, 0), block.output(0, 0) + n);
    }
    return out;
}

}  // namespace

TEST(ProcessorThreads, TwoProcessorsRenderConcurrentlyAsTheyDoAlone) {
    std::vector<float> alone[2];
    for (int i = 0; i < 2; ++i) {
        ProcessorHarness h;
        ASSERT_TRUE(h.start());
        alone[i] = render(h, i);
    }
    ASSERT_NE(alone[0], alone[1]);

    ProcessorHarness a;
    ProcessorHarness b;
    ASSERT_TRUE(a.start());
    ASSERT_TRUE(b.start());
    std::vector<float> together[2];
    std::thread ta([&] { together[0] = render(a, 0); });
    std::thread tb([&] { together[1] = render(b, 1); });
    ta.join();
    tb.join();
    EXPECT_EQ(together[0], alone[0]);
    EXPECT_EQ(together[1], alone[1]);
}

// The page's keys and the controller's polls arrive on the main thread while the audio thread
// renders with a moving transport: every strike is either played or counted as dropped, and
// the polls see the transport move and the output sound. Run under TSan it proves the inbox,
// the peaks and the transport hand-over race-free.
TEST(ProcessorThreads, KeysAndPollsFromTheMainThreadWhileTheAudioThreadRenders) {
    ProcessorHarness h;
    ASSERT_TRUE(h.start(48000, 256));
    std::atomic<bool> running{true};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        ProcessBlock block({2}, 256);
        block.useContext(true);
        ProcessContext& c = block.context();
        c.state = ProcessContext::kPlaying | ProcessContext::kTempoValid | ProcessContext::kProjectTimeMusicValid;
        c.tempo = 120;
        c.sampleRate = 48000;
        while (running.load()) {
            auto& data = block.begin(256);
            c.projectTimeSamples += 256;
            c.projectTimeMusic = c.projectTimeSamples / 24000.0;
            EXPECT_EQ(h.processor->process(data), kResultOk);
            blocks.fetch_add(1);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
    while (blocks.load() == 0) std::this_thread::yield();

    const auto send = [&](velmo::AuditionKind kind, int note) {
        velmo::AuditionNote a;
        a.kind = static_cast<uint8_t>(kind);
        a.note = static_cast<uint8_t>(note);
        a.velocity = 1.0f;
        h.processor->notify(velmo::host::makeMessage(
            "velmo.audition", std::string(reinterpret_cast<const char*>(&a), sizeof a)));
    };
    int strikes = 0;
    for (int i = 0; i < 400; ++i) {
        send(velmo::AuditionKind::Strike, 48 + i % 24);
        ++strikes;
        if (i % 3 == 0) send(velmo::AuditionKind::Release, 48 + (i + 5) % 24);
        if (i % 50 == 49) send(velmo::AuditionKind::ReleaseAll, 0);
        if (i % 4 == 0) h.processor->notify(velmo::host::makeMessage("velmo.diag.transportPoll"));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    send(velmo::AuditionKind::ReleaseAll, 0);
    const int seen = blocks.load();
    while (blocks.load() < seen + 4) std::this_thread::yield();
    running.store(false);
    audio.join();
    h.processor->notify(velmo::host::makeMessage("velmo.diag.transportPoll"));

    const auto transports = h.sent("velmo.diag.transport");
    ASSERT_GE(transports.size(), 2u);
    velmo::TransportFact first{}, last{};
    std::memcpy(&first, transports.front().json->data(), sizeof first);
    std::memcpy(&last, transports.back().json->data(), sizeof last);
    EXPECT_LT(first.projectTimeSamples, last.projectTimeSamples) << "the transport moved";
    EXPECT_EQ(last.tempo, 120.0);
    float loudest = 0.0f;
    for (const auto& m : h.sent("velmo.diag.meters")) {
        velmo::OutputLevels levels{};
        std::memcpy(&levels, m.json->data(), sizeof levels);
        loudest = std::max({loudest, levels.peak[0], levels.peak[1]});
    }
    EXPECT_GT(loudest, 0.01f) << "the keys sounded";
    EXPECT_LE(h.processor->auditionInbox().dropped(), static_cast<uint32_t>(strikes));
}
