// The page's keys and the output meter through the bundle's controller: keys become records
// for the processor, bad keys are refused, a page that goes releases what it holds; the
// processor's peaks reach a page subscribed to "meters", silence once.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "diagnostics/audition_note.h"
#include "diagnostics/output_levels.h"
#include "tests/bridge/bundle_rig.h"

namespace velmo::test {
namespace {

std::vector<AuditionNote> keysSent(BundleRig& rig) {
    std::vector<AuditionNote> keys;
    for (const auto& m : rig.processor->withId("velmo.audition")) {
        AuditionNote a{};
        EXPECT_TRUE(m.json && m.json->size() == sizeof a);
        if (m.json && m.json->size() == sizeof a) std::memcpy(&a, m.json->data(), sizeof a);
        keys.push_back(a);
    }
    return keys;
}

TEST(BundleAudition, KeysReachTheProcessorAndAPageThatGoesReleasesWhatItHolds) {
    BundleRig rig;
    rig.openPage();
    rig.deliver(R"({"type":"velmo.auditionStrike","note":60,"velocity":0.8})");
    rig.deliver(R"({"type":"velmo.auditionRelease","note":60})");
    // Refused: past 127, not an integer, no velocity, silent, too loud, no note at all.
    for (const char* bad : {R"({"type":"velmo.auditionStrike","note":128,"velocity":0.5})",
                            R"({"type":"velmo.auditionStrike","note":60.5,"velocity":0.5})",
                            R"({"type":"velmo.auditionStrike","note":60})",
                            R"({"type":"velmo.auditionStrike","note":60,"velocity":0})",
                            R"({"type":"velmo.auditionStrike","note":60,"velocity":1.5})",
                            R"({"type":"velmo.auditionRelease","note":-1})",
                            R"({"type":"velmo.auditionRelease"})"})
        EXPECT_EQ(rig.deliver(bad), 1) << bad;
    // The logging messages stay what they were: nothing for the processor.
    rig.deliver(R"({"type":"velmo.noteOn","note":60,"velocity":0.8})");
    auto keys = keysSent(rig);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].kind, static_cast<std::uint8_t>(AuditionKind::Strike));
    EXPECT_EQ(keys[0].note, 60);
    EXPECT_FLOAT_EQ(keys[0].velocity, 0.8f);
    EXPECT_EQ(keys[1].kind, static_cast<std::uint8_t>(AuditionKind::Release));

    // Nothing held: closing sends nothing. Two keys held: closing releases both at once.
    rig.closePage();
    EXPECT_EQ(keysSent(rig).size(), 2u);
    rig.openPage();
    rig.deliver(R"({"type":"velmo.auditionStrike","note":48,"velocity":1})");
    rig.deliver(R"({"type":"velmo.auditionStrike","note":55,"velocity":0.25})");
    rig.closePage();
    keys = keysSent(rig);
    ASSERT_EQ(keys.size(), 5u);
    EXPECT_EQ(keys[4].kind, static_cast<std::uint8_t>(AuditionKind::ReleaseAll));

    // The page's own release-all (it hid) is always passed on.
    rig.openPage();
    rig.deliver(R"({"type":"velmo.auditionReleaseAll"})");
    EXPECT_EQ(keysSent(rig).size(), 6u);
}

TEST(BundleAudition, PeaksReachASubscribedPageAndSilenceOnlyOnce) {
    BundleRig rig;
    rig.openPage();
    const auto levels = [&](float left, float right) {
        OutputLevels l;
        l.peak[0] = left;
        l.peak[1] = right;
        rig.sendProcessorMessage("velmo.diag.meters", std::string(reinterpret_cast<const char*>(&l), sizeof l));
    };
    levels(0.5f, 0.25f);
    EXPECT_TRUE(rig.page.empty()) << "not subscribed";
    rig.deliver(R"({"type":"velmo.diag.subscribe","feeds":["meters"],"hz":30})");
    rig.page.clear();
    levels(0.15f, 1.25f);
    levels(0.0f, 0.0f);
    levels(0.0f, 0.0f);
    levels(std::numeric_limits<float>::infinity(), 0.0f);
    rig.sendProcessorMessage("velmo.diag.meters", "short");
    ASSERT_EQ(rig.page.size(), 3u);
    EXPECT_EQ(rig.page[0], R"({"type":"velmo.meters","peaks":[0.15,1.25]})") << "a float's own digits";
    EXPECT_EQ(rig.page[1], R"({"type":"velmo.meters","peaks":[0,0]})");
    EXPECT_EQ(rig.page[2], R"({"type":"velmo.meters","peaks":[null,0]})");

    rig.deliver(R"({"type":"velmo.diag.unsubscribe"})");
    levels(0.5f, 0.5f);
    EXPECT_EQ(rig.page.size(), 3u);
}

}  // namespace
}  // namespace velmo::test
