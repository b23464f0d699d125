// The editor page's keys on the audio thread, and what the processor answers the controller's
// poll with: notes enter at frame 0 of the next rendered block, a full inbox drops and counts,
// deactivation and a restored state release every held key, a host that is not processing
// never plays them later; the poll carries the host's transport and the output peaks.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "diagnostics/audition_note.h"
#include "diagnostics/output_levels.h"
#include "diagnostics/transport_fact.h"
#include "fake_kernel.h"
#include "instrument/audition_inbox.h"
#include "instrument/output_peaks.h"
#include "processor_harness.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using velmo::AuditionInbox;
using velmo::AuditionKind;
using velmo::AuditionNote;
using velmo::host::ProcessBlock;
using velmo::host::makeMessage;
using velmo::test::fakeKernel;
using velmo::test::fakeKernelEvents;
using velmo::test::fakeKernelModule;
using velmo::test::ProcessorHarness;
using velmo::test::resetFakeKernel;

namespace {

constexpr uint32_t kNoteOn = 2, kNoteOff = 3;
constexpr int kBlock = 256;

AuditionNote key(AuditionKind kind, int note = 0, float velocity = 0.0f) {
    AuditionNote a;
    a.kind = static_cast<uint8_t>(kind);
    a.note = static_cast<uint8_t>(note);
    a.velocity = velocity;
    return a;
}

class Audition : public ::testing::Test {
protected:
    void SetUp() override {
        resetFakeKernel();
        fakeKernel().level = 0.25f;
        ASSERT_TRUE(h.start(48000, kBlock));
        render();  // the host is processing
        fakeKernel().events.clear();
        h.controller->clear();
    }
    void post(const AuditionNote& a) {
        const std::string bytes(reinterpret_cast<const char*>(&a), sizeof a);
        ASSERT_EQ(h.processor->notify(makeMessage("velmo.audition", bytes)), kResultOk);
    }
    // One block; returns the absolute frame it started at.
    uint64_t render() {
        const uint64_t start = fakeKernel().framesProcessed;
        EXPECT_EQ(h.processor->process(block.begin(kBlock)), kResultOk);
        return start;
    }
    ProcessorHarness h{fakeKernelModule()};
    ProcessBlock block{{2}, kBlock};
};

template <class T>
T recordOf(const velmo::host::RecordedMessage& m) {
    T record{};
    EXPECT_TRUE(m.json && m.json->size() == sizeof record);
    if (m.json && m.json->size() == sizeof record) std::memcpy(&record, m.json->data(), sizeof record);
    return record;
}

}  // namespace

TEST_F(Audition, KeysEnterAtFrameZeroOfTheNextBlockOnceEach) {
    post(key(AuditionKind::Strike, 60, 0.75f));
    post(key(AuditionKind::Strike, 67, 1.0f));
    const uint64_t first = render();
    render();
    post(key(AuditionKind::Release, 60));
    const uint64_t third = render();

    const auto ons = fakeKernelEvents(kNoteOn);
    ASSERT_EQ(ons.size(), 2u) << "each strike reaches the kernel once";
    EXPECT_EQ(ons[0].samplesBefore + ons[0].frame, first);
    EXPECT_EQ(ons[0].a, 60u);
    EXPECT_FLOAT_EQ(static_cast<float>(ons[0].value), 0.75f);
    EXPECT_EQ(ons[1].a, 67u);
    const auto offs = fakeKernelEvents(kNoteOff);
    ASSERT_EQ(offs.size(), 1u);
    EXPECT_EQ(offs[0].samplesBefore + offs[0].frame, third);
    EXPECT_EQ(offs[0].a, 60u);

    // Bad records change nothing: a note past 127, a strike without velocity, an unknown kind,
    // a payload of the wrong size.
    post(key(AuditionKind::Strike, 128, 0.5f));
    post(key(AuditionKind::Strike, 61, 0.0f));
    post(key(static_cast<AuditionKind>(9), 61, 0.5f));
    EXPECT_EQ(h.processor->notify(makeMessage("velmo.audition", "short")), kResultOk);
    render();
    EXPECT_EQ(fakeKernelEvents(kNoteOn).size(), 2u);
    EXPECT_EQ(h.processor->auditionInbox().dropped(), 0u) << "refused, not counted as dropped";
}

TEST_F(Audition, AFullInboxDropsAndCountsAndThePollReportsIt) {
    for (int i = 0; i < 70; ++i) post(key(AuditionKind::Strike, 30 + i, 0.5f));
    render();
    EXPECT_EQ(fakeKernelEvents(kNoteOn).size(), AuditionInbox::kCapacity);
    EXPECT_EQ(h.processor->auditionInbox().dropped(), 70u - AuditionInbox::kCapacity);

    ASSERT_EQ(h.processor->notify(makeMessage("velmo.diag.transportPoll")), kResultOk);
    const auto meters = h.sent("velmo.diag.meters");
    ASSERT_EQ(meters.size(), 1u);
    const auto levels = recordOf<velmo::OutputLevels>(meters[0]);
    EXPECT_EQ(levels.auditionDropped, 70u - AuditionInbox::kCapacity);
    EXPECT_FLOAT_EQ(levels.peak[0], 0.25f);
    EXPECT_FLOAT_EQ(levels.peak[1], 0.25f);
}

TEST_F(Audition, DeactivationAndARestoredStateReleaseEveryHeldKey) {
    const std::string saved = h.saveState();
    post(key(AuditionKind::Strike, 60, 0.5f));
    post(key(AuditionKind::Strike, 64, 0.5f));
    render();
    fakeKernel().events.clear();

    // A restored state: both held keys end at the start of the next block.
    ASSERT_EQ(h.loadState(saved), kResultOk);
    const uint64_t next = render();
    auto offs = fakeKernelEvents(kNoteOff);
    ASSERT_EQ(offs.size(), 2u);
    EXPECT_EQ(offs[0].samplesBefore + offs[0].frame, next);
    EXPECT_EQ(offs[0].a, 60u);
    EXPECT_EQ(offs[1].a, 64u);

    // Deactivation: a key struck and one queued but never rendered; neither sounds after the
    // host starts again, and keys posted while inactive are dropped.
    post(key(AuditionKind::Strike, 72, 0.5f));
    render();
    post(key(AuditionKind::Strike, 74, 0.5f));
    ASSERT_EQ(h.processor->setProcessing(false), kResultOk);
    ASSERT_EQ(h.processor->setActive(false), kResultOk);
    post(key(AuditionKind::Strike, 76, 0.5f));
    EXPECT_EQ(h.processor->auditionInbox().dropped(), 1u);
    ASSERT_EQ(h.processor->setActive(true), kResultOk);
    ASSERT_EQ(h.processor->setProcessing(true), kResultOk);
    fakeKernel().events.clear();
    render();
    render();
    EXPECT_TRUE(fakeKernelEvents(kNoteOn).empty()) << "nothing queued before deactivation plays";
    offs = fakeKernelEvents(kNoteOff);
    ASSERT_EQ(offs.size(), 1u);
    EXPECT_EQ(offs[0].a, 72u) << "the held key is released in the new instance too";

    // Releasing everything on the page's behalf withdraws what waits as well.
    post(key(AuditionKind::Strike, 50, 0.5f));
    post(key(AuditionKind::ReleaseAll));
    post(key(AuditionKind::Strike, 52, 0.5f));
    fakeKernel().events.clear();
    render();
    const auto ons = fakeKernelEvents(kNoteOn);
    ASSERT_EQ(ons.size(), 1u);
    EXPECT_EQ(ons[0].a, 52u);
}

TEST(AuditionInboxClock, AHostThatStoppedCallingProcessNeverPlaysKeysLater) {
    struct Engine {
        std::vector<std::pair<int, bool>> notes;  // pitch, on
        void pushNoteOn(int pitch, double, int, unsigned, unsigned) { notes.emplace_back(pitch, true); }
        void pushNoteOff(int pitch, int, unsigned, unsigned) { notes.emplace_back(pitch, false); }
    } engine;
    AuditionInbox inbox;
    const uint64_t ms = 1'000'000;
    inbox.setProcessing(true);
    EXPECT_FALSE(inbox.post(key(AuditionKind::Strike, 60, 1.0f), 1000 * ms)) << "no block rendered yet";

    inbox.drainInto(engine, 1000 * ms);
    EXPECT_TRUE(inbox.post(key(AuditionKind::Strike, 60, 1.0f), 1010 * ms));
    EXPECT_TRUE(inbox.post(key(AuditionKind::Release, 60), 1020 * ms));
    EXPECT_TRUE(inbox.post(key(AuditionKind::Strike, 62, 1.0f), 1020 * ms));
    // The host comes back a second later: the strikes are stale and dropped, the release still
    // applies.
    inbox.drainInto(engine, 2000 * ms);
    ASSERT_EQ(engine.notes.size(), 1u);
    EXPECT_EQ(engine.notes[0], std::make_pair(60, false));
    EXPECT_EQ(inbox.dropped(), 3u);

    // A host silent for longer than the limit takes no key; a release it cannot take releases
    // everything at the next block instead.
    inbox.drainInto(engine, 3000 * ms);
    EXPECT_TRUE(inbox.post(key(AuditionKind::Strike, 64, 1.0f), 3001 * ms));
    inbox.drainInto(engine, 3002 * ms);
    EXPECT_EQ(inbox.lastWaitMicros(), 1000u);
    EXPECT_FALSE(inbox.post(key(AuditionKind::Release, 64), 4000 * ms));
    engine.notes.clear();
    inbox.drainInto(engine, 4001 * ms);
    ASSERT_EQ(engine.notes.size(), 1u);
    EXPECT_EQ(engine.notes[0], std::make_pair(64, false));
}

TEST_F(Audition, ThePollCarriesTheHostsTransportAndThePeaksOncePerChange) {
    // Without a context nothing about the transport is reported.
    render();
    ASSERT_EQ(h.processor->notify(makeMessage("velmo.diag.transportPoll")), kResultOk);
    EXPECT_TRUE(h.sent("velmo.diag.transport").empty());
    EXPECT_EQ(h.sent("velmo.diag.meters").size(), 1u);

    block.useContext(true);
    ProcessContext& c = block.context();
    c.state = ProcessContext::kPlaying | ProcessContext::kTempoValid | ProcessContext::kTimeSigValid |
              ProcessContext::kProjectTimeMusicValid | ProcessContext::kBarPositionValid |
              ProcessContext::kCycleValid | ProcessContext::kCycleActive;
    c.tempo = 96.5;
    c.timeSigNumerator = 7;
    c.timeSigDenominator = 8;
    c.projectTimeMusic = 10.25;
    c.barPositionMusic = 7.0;
    c.cycleStartMusic = 4.0;
    c.cycleEndMusic = 12.0;
    c.sampleRate = 48000;
    c.projectTimeSamples = 123456;
    const uint64_t at = render();
    fakeKernel().level = -1.5f;  // beyond full scale, negative
    render();
    h.controller->clear();
    ASSERT_EQ(h.processor->notify(makeMessage("velmo.diag.transportPoll")), kResultOk);
    const auto transports = h.sent("velmo.diag.transport");
    ASSERT_EQ(transports.size(), 1u) << "the newest snapshot only";
    const auto fact = recordOf<velmo::TransportFact>(transports[0]);
    EXPECT_EQ(fact.atFrame, at + kBlock);
    EXPECT_EQ(fact.source, 1);
    EXPECT_EQ(fact.playing, 1);
    EXPECT_EQ(fact.recording, 0);
    EXPECT_EQ(fact.looping, 1);
    EXPECT_EQ(fact.hasLoop, 1);
    EXPECT_EQ(fact.tempo, 96.5);
    EXPECT_EQ(fact.numerator, 7);
    EXPECT_EQ(fact.denominator, 8);
    EXPECT_EQ(fact.ppqPosition, 10.25);
    EXPECT_EQ(fact.barPositionPpq, 7.0);
    EXPECT_EQ(fact.loopEndPpq, 12.0);
    EXPECT_EQ(fact.projectTimeSamples, 123456);
    const auto levels = recordOf<velmo::OutputLevels>(h.sent("velmo.diag.meters").at(0));
    EXPECT_FLOAT_EQ(levels.peak[0], 1.5f) << "the highest since the last poll, as a magnitude";

    // Nothing new: nothing sent. A reset asks for the transport again.
    h.controller->clear();
    ASSERT_EQ(h.processor->notify(makeMessage("velmo.diag.transportPoll")), kResultOk);
    EXPECT_TRUE(h.controller->messages.empty());
    auto poll = makeMessage("velmo.diag.transportPoll");
    poll->getAttributes()->setInt("reset", 1);
    ASSERT_EQ(h.processor->notify(poll), kResultOk);
    EXPECT_EQ(h.sent("velmo.diag.transport").size(), 1u);
    EXPECT_TRUE(h.sent("velmo.diag.meters").empty());
}

// The scan keeps eight maxima side by side: a peak in any lane or in the tail past the last
// whole eight counts, a NaN anywhere never does, and a silent block leaves the peaks alone.
TEST(OutputPeaksScan, EveryLaneAndTheTailCountAndNaNNeverWins) {
    velmo::OutputPeaks peaks;
    float out[2];
    for (int at = 0; at < 21; ++at) {
        std::vector<float> left(21, 0.125f), right(21, -0.25f);
        left[at] = -0.75f;
        right[(at + 5) % 21] = std::numeric_limits<float>::quiet_NaN();
        const float* channels[2] = {left.data(), right.data()};
        peaks.capture(channels, 2, 21, false);
        ASSERT_TRUE(peaks.take(out));
        EXPECT_EQ(out[0], 0.75f) << "peak at " << at;
        EXPECT_EQ(out[1], 0.25f) << "NaN at " << (at + 5) % 21;
    }
    const float loud[4] = {2.0f, 2.0f, 2.0f, 2.0f};
    const float* channels[2] = {loud, loud};
    peaks.capture(channels, 2, 4, true);
    ASSERT_TRUE(peaks.take(out)) << "a block was rendered";
    EXPECT_EQ(out[0], 0.0f);
}
