// What the UI and the host tell Zuriz.lv2 through its control input, and what it answers on its
// notify output: the page's keys sound as MIDI notes at frame 0 would, a poll reports the
// run's peaks and the host's transport (moving on between positions), and a CC map the UI sends
// drives a parameter, is saved with the state and is reported back after a restore.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <lv2/atom/forge.h>
#include <lv2/time/time.h>

#include "docs/pad_overrides.h"
#include "docs/state_json.h"
#include "lv2/lv2_messages.h"
#include "lv2_fixture.h"
#include "scratch_dir.h"

namespace velmo::test {
namespace {

using lv2host::Lv2Instance;
using lv2host::MidiEvent;
using lv2host::Notified;

constexpr uint32_t kBlock = 512;

struct Types {
    uint32_t audition, poll, ccMap, levels, transport;
};

Types types() {
    lv2host::Lv2World& world = Lv2Bundle::get().world();
    return {world.map(lv2::kAuditionUri), world.map(lv2::kPollUri), world.map(lv2::kCcMapUri),
            world.map(lv2::kLevelsUri), world.map(lv2::kTransportUri)};
}

std::vector<float> block(const Lv2Instance& instance) {
    std::vector<float> out(instance.left(), instance.left() + kBlock);
    out.insert(out.end(), instance.right(), instance.right() + kBlock);
    return out;
}

template <class Record>
std::vector<Record> answers(const Lv2Instance& instance, uint32_t type) {
    std::vector<Record> out;
    for (const Notified& n : instance.notified()) {
        if (n.type != type) continue;
        EXPECT_EQ(n.body.size(), sizeof(Record));
        Record r;
        std::memcpy(&r, n.body.data(), std::min(sizeof r, n.body.size()));
        out.push_back(r);
    }
    return out;
}

AuditionNote key(AuditionKind kind, uint8_t note, float velocity = 0.0f) {
    AuditionNote a;
    a.kind = static_cast<uint8_t>(kind);
    a.note = note;
    a.velocity = velocity;
    return a;
}

// A time:Position object as a host forges it.
std::vector<uint8_t> position(float speed, float bpm, float perBar, int32_t unit, double beat) {
    lv2host::Lv2World& world = Lv2Bundle::get().world();
    std::vector<uint8_t> buffer(512);
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, world.uridMap());
    lv2_atom_forge_set_buffer(&forge, buffer.data(), buffer.size());
    LV2_Atom_Forge_Frame frame;
    lv2_atom_forge_object(&forge, &frame, 0, world.map(LV2_TIME__Position));
    lv2_atom_forge_key(&forge, world.map(LV2_TIME__speed));
    lv2_atom_forge_float(&forge, speed);
    lv2_atom_forge_key(&forge, world.map(LV2_TIME__beatsPerMinute));
    lv2_atom_forge_float(&forge, bpm);
    lv2_atom_forge_key(&forge, world.map(LV2_TIME__beatsPerBar));
    lv2_atom_forge_float(&forge, perBar);
    lv2_atom_forge_key(&forge, world.map(LV2_TIME__beatUnit));
    lv2_atom_forge_int(&forge, unit);
    lv2_atom_forge_key(&forge, world.map(LV2_TIME__beat));
    lv2_atom_forge_double(&forge, beat);
    lv2_atom_forge_pop(&forge, &frame);
    return buffer;
}

void sendAtom(Lv2Instance& instance, const std::vector<uint8_t>& atom) {
    const auto* head = reinterpret_cast<const LV2_Atom*>(atom.data());
    instance.send(head->type, head + 1, head->size);
}

}  // namespace

TEST(Lv2Messages, KeysSoundAsNotesAtFrameZeroAndPollsReportPeaks) {
    const Types t = types();
    auto keys = Lv2Bundle::get().instance(48000.0, kBlock);
    auto midi = Lv2Bundle::get().instance(48000.0, kBlock);
    const float velocity = 100.0f / 127.0f;  // the MIDI path's float for velocity 100

    keys->send(t.audition, key(AuditionKind::Strike, 64, velocity));
    keys->send(t.poll, lv2::Poll{lv2::kPollLevels});
    keys->run(kBlock, nullptr, 0);
    const MidiEvent on{0, {0x90, 64, 100}};
    midi->run(kBlock, &on, 1);
    const std::vector<float> struck = block(*keys);
    EXPECT_EQ(struck, block(*midi));
    const float loudest = std::fabs(*std::max_element(struck.begin(), struck.end(), [](float a, float b) {
        return std::fabs(a) < std::fabs(b);
    }));
    ASSERT_GT(loudest, 0.01f);
    const auto levels = answers<OutputLevels>(*keys, t.levels);
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_EQ(std::max(levels[0].peak[0], levels[0].peak[1]), loudest);

    // Released as a note-off at frame 0 is; a release-all ends what is still held.
    keys->send(t.audition, key(AuditionKind::Release, 64));
    keys->run(kBlock, nullptr, 0);
    const MidiEvent off{0, {0x80, 64, 0}};
    midi->run(kBlock, &off, 1);
    EXPECT_EQ(block(*keys), block(*midi));
    EXPECT_TRUE(keys->notified().empty()) << "answers only a poll";

    keys->send(t.audition, key(AuditionKind::Strike, 70, 1.0f));
    keys->run(kBlock, nullptr, 0);
    keys->send(t.audition, key(AuditionKind::ReleaseAll, 0));
    keys->run(kBlock, nullptr, 0);
    const MidiEvent on70{0, {0x90, 70, 127}};
    const MidiEvent off70{0, {0x80, 70, 0}};
    midi->run(kBlock, &on70, 1);
    midi->run(kBlock, &off70, 1);
    EXPECT_EQ(block(*keys), block(*midi));

    // Malformed keys change nothing.
    AuditionNote loud = key(AuditionKind::Strike, 200, 1.0f);
    keys->send(t.audition, loud);
    keys->send(t.audition, &loud, 4);
    keys->run(kBlock, nullptr, 0);
    midi->run(kBlock, nullptr, 0);
    EXPECT_EQ(block(*keys), block(*midi));
}

TEST(Lv2Messages, HostFactsAndTheTransportFromHostPositionsMovingWithTheFramesRendered) {
    const Types t = types();
    auto instance = Lv2Bundle::get().instance(48000.0, kBlock);
    instance->send(t.poll, lv2::Poll{lv2::kPollTransport | lv2::kPollHost});
    instance->run(kBlock / 2, nullptr, 0);
    EXPECT_TRUE(answers<TransportFact>(*instance, t.transport).empty()) << "no transport told yet";
    const auto host = answers<HostFacts>(*instance, Lv2Bundle::get().world().map(lv2::kHostFactsUri));
    ASSERT_EQ(host.size(), 1u);
    EXPECT_EQ(host[0].sampleRate, 48000.0);
    EXPECT_EQ(host[0].maxBlockFrames, static_cast<int32_t>(kBlock));
    EXPECT_EQ(host[0].lastBlockFrames, static_cast<int32_t>(kBlock / 2));
    ASSERT_EQ(host[0].busCount, 1u);
    EXPECT_STREQ(host[0].buses[0].layout, "stereo");

    sendAtom(*instance, position(1.0f, 120.0f, 3.0f, 8, 6.0));
    instance->send(t.poll, lv2::Poll{lv2::kPollTransport});
    instance->run(kBlock, nullptr, 0);
    auto facts = answers<TransportFact>(*instance, t.transport);
    ASSERT_EQ(facts.size(), 1u);
    TransportFact f = facts[0];
    EXPECT_TRUE(f.playing && f.hasTempo && f.hasTimeSignature && f.hasPosition);
    EXPECT_EQ(f.tempo, 120.0);
    EXPECT_EQ(f.numerator, 3);
    EXPECT_EQ(f.denominator, 8);
    // Six eighths from the start, plus the run: 512 frames at 120 eighths a minute.
    EXPECT_NEAR(f.ppqPosition, (6.0 + 512.0 / 24000.0) * 0.5, 1e-9);
    EXPECT_DOUBLE_EQ(f.barPositionPpq, 3.0 * 2 * 0.5);

    for (int i = 0; i < 93; ++i) instance->run(kBlock, nullptr, 0);  // 94 runs in all: 48128 frames
    instance->send(t.poll, lv2::Poll{lv2::kPollTransport});
    instance->run(kBlock, nullptr, 0);
    f = answers<TransportFact>(*instance, t.transport).at(0);
    EXPECT_NEAR(f.ppqPosition, (6.0 + 95 * 512.0 / 24000.0) * 0.5, 1e-9);

    // Stopped: the position stays.
    sendAtom(*instance, position(0.0f, 120.0f, 3.0f, 8, 10.0));
    instance->run(kBlock, nullptr, 0);
    instance->send(t.poll, lv2::Poll{lv2::kPollTransport});
    instance->run(kBlock, nullptr, 0);
    f = answers<TransportFact>(*instance, t.transport).at(0);
    EXPECT_FALSE(f.playing);
    EXPECT_DOUBLE_EQ(f.ppqPosition, 5.0);
}

TEST(Lv2Messages, CcMapFromTheUiDrivesAParameterIsSavedAndReportedAfterARestore) {
    const Types t = types();
    auto instance = Lv2Bundle::get().instance(48000.0, kBlock);
    lv2::CcMapRecord record;
    record.present = 1;
    record.map.count = 1;
    record.map.bindings[0].paramId = 2;
    record.map.bindings[0].cc = 74;
    instance->send(t.ccMap, record);
    const MidiEvent cc{10, {0xB0, 74, 127}};
    instance->run(kBlock, &cc, 1);
    const std::string saved = instance->saveDocument();
    StateChunk chunk;
    ASSERT_TRUE(parseStateJson(saved.data(), saved.size(), chunk));
    ASSERT_TRUE(chunk.hasCcMap);
    EXPECT_TRUE(ccMapsEqual(chunk.ccMap, record.map));
    EXPECT_EQ(chunk.params[2], VELMO_PARAMS[2].maxValue);

    instance->send(t.poll, lv2::Poll{lv2::kPollCcMap});
    instance->run(kBlock, nullptr, 0);
    auto reported = answers<lv2::CcMapRecord>(*instance, t.ccMap);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_TRUE(reported[0].present && ccMapsEqual(reported[0].map, record.map));

    // A map with more bindings than a map holds is refused; the one in use stays.
    lv2::CcMapRecord broken = record;
    broken.map.count = kCcMapCapacity + 1;
    instance->send(t.ccMap, broken);
    instance->run(kBlock, nullptr, 0);
    EXPECT_EQ(instance->saveDocument(), saved);

    // A restored state's map is told to the UI unasked, on the next run.
    auto fresh = Lv2Bundle::get().instance(48000.0, kBlock);
    ASSERT_TRUE(fresh->restoreDocument(saved));
    fresh->run(kBlock, nullptr, 0);
    reported = answers<lv2::CcMapRecord>(*fresh, t.ccMap);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_TRUE(ccMapsEqual(reported[0].map, record.map));
    fresh->run(kBlock, nullptr, 0);
    EXPECT_TRUE(fresh->notified().empty());
}

// Bank requests and pad overrides are the host's worker's: the run hands them over, the worker
// reads files and parses, and the answer goes to the UI from the next run.
TEST(Lv2Messages, BankRequestsAndPadOverridesRunOnTheWorker) {
    lv2host::Lv2World& world = Lv2Bundle::get().world();
    const uint32_t request = world.map(lv2::kBankRequestUri), reply = world.map(lv2::kBankReplyUri),
                   pads = world.map(lv2::kPadOverridesUri);
    auto instance = Lv2Bundle::get().instance(48000.0, kBlock);
    const ScratchDir scratch;
    const std::string ask = "user-folder\n" + scratch.file("no-such-bank") + "\n\n";
    instance->send(request, ask.data(), static_cast<uint32_t>(ask.size()));
    SamplerPadOverrides overrides(1);
    overrides[0].padId = "pad-1";
    overrides[0].fields = kPadMuted;
    overrides[0].muted = 1;
    std::string json;
    writeSamplerPadOverridesJson(json, overrides);
    instance->send(pads, json.data(), static_cast<uint32_t>(json.size()));
    instance->run(kBlock, nullptr, 0);
    EXPECT_TRUE(instance->notified().empty()) << "nothing answered on the audio thread";
    EXPECT_EQ(instance->runWorker(), 2u);
    instance->run(kBlock, nullptr, 0);
    const auto notified = instance->notified();
    ASSERT_EQ(notified.size(), 1u);
    EXPECT_EQ(notified[0].type, reply);
    EXPECT_EQ(notified[0].body.rfind("bank-missing\n", 0), 0u) << notified[0].body;
    StateChunk chunk;
    const std::string saved = instance->saveDocument();
    ASSERT_TRUE(parseStateJson(saved.data(), saved.size(), chunk));
    EXPECT_EQ(chunk.padOverrides, overrides);
}

}  // namespace velmo::test
