// The controller's bank control through the built bundle: the page's bank messages, the
// documents it answers with (byte for byte), the requests the processor receives and the
// replies it adopts. The processor is a recording peer here, so every reply can be chosen.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "scoped_env.h"
#include "scratch_dir.h"
#include "tests/bridge/bundle_rig.h"
#include "tools/host/host.h"
#include "tools/host/memory_streams.h"

namespace velmo::test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

const std::string kFactoryItems =
    R"([{"id":"factory-1","name":"Cathedral Carillon"},{"id":"factory-2","name":"Deep Bourdon"},)"
    R"({"id":"factory-3","name":"Angelus Toll"},{"id":"factory-4","name":"Evening Chimes"},)"
    R"({"id":"factory-5","name":"Tubular Toll"},{"id":"factory-6","name":"Choir of Handbells"},)"
    R"({"id":"factory-7","name":"Winter Zuriz"},{"id":"factory-8","name":"Glass Hour"},)"
    R"({"id":"factory-9","name":"Toy Glockenspiel"},{"id":"factory-10","name":"Meditation Bowl"}])";

std::string bankState(const std::string& reason, const std::string& pads, const std::string& rest) {
    return R"({"type":"velmo.bankState","reason":")" + reason + R"(","stateVersion":1,"pads":)" + pads +
           R"(,"banks":[])" + rest + "}";
}
std::string factoryPresets() { return R"(,"presets":{"bankScoped":false,"items":)" + kFactoryItems + "}"; }
std::string error(const std::string& code, const std::string& id) {
    return R"(,"error":{"code":")" + code + R"(","requestedId":")" + id + R"("})";
}

class BankControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.openPage());
        rig.clear();
    }
    // The last document but the controller's "velmo.presetState" notes, which a restored state
    // also brings and which are not this test's subject.
    std::string lastPage() const {
        for (auto it = rig.page.rbegin(); it != rig.page.rend(); ++it)
            if (it->rfind(R"({"type":"velmo.presetState")", 0) != 0) return *it;
        return {};
    }
    std::string lastRequest() const {
        const auto r = rig.processor->withId("velmo.loadRuntimeBank");
        return r.empty() || !r.back().json ? std::string("<none>") : *r.back().json;
    }
    void reply(const std::string& text) { rig.sendProcessorMessage("velmo.runtimeBankResult", text); }
    // Runs the host's loop until the page has `count` documents or five seconds have passed.
    void runLoopUntil(std::size_t count) {
        for (int i = 0; i < 500 && rig.page.size() < count; ++i) {
            rig.loop->advance(34);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    BundleRig rig;
};

TEST_F(BankControlTest, QueriesRefusalsAndThePickerAnswerWithTheirDocuments) {
    rig.deliver(R"({"type":"velmo.getBankState"})");
    rig.deliver(R"({"type":"velmo.loadBank","source":"embedded","id":"grand"})");
    rig.deliver(R"({"type":"velmo.pickFolder"})");
    ASSERT_EQ(rig.page.size(), 3u);
    EXPECT_EQ(rig.page[0], bankState("query", "{}", factoryPresets()));
    EXPECT_EQ(rig.page[1], R"({"type":"velmo.bankState","reason":"loadBank","stateVersion":1,"pads":{},"banks":[])" +
                               factoryPresets() + R"(,"error":{"code":"bank-missing","requestedId":"grand"}})");
    EXPECT_EQ(rig.page[2], R"({"type":"velmo.folderPicked","ok":false,"error":"this build has no folder picker"})");
    EXPECT_EQ(rig.processorCount("velmo.loadRuntimeBank"), 0u);
}

TEST_F(BankControlTest, FolderRequestsGoToTheProcessorAndItsRepliesAreAdopted) {
    rig.deliver(R"({"type":"velmo.loadBank","source":"user-folder","bankPath":"/banks/a","sha256":"ab"})");
    EXPECT_EQ(lastRequest(), "user-folder\n/banks/a\nab\n");
    EXPECT_TRUE(rig.page.empty()) << "the page is answered by the reply";

    // An "ok" reply: instrument, two positionings, one preset whose unreadable pieces are dropped.
    reply(std::string("ok\n\nbell\tBell\tinstruments\nbell\tBell\tinstruments\nkit\tKit\tkits\n") +
          "\x01" "bright\tBright\tbell\tstrike.hardness=0.1\x1F=3\x1Fnoequals\x1Fir.size=1.25\x1F" "x=abc");
    const std::string runtime =
        R"(,"runtime":{"source":"user-folder","locator":"/banks/a","instrument":{"id":"bell","name":"Bell","list":"instruments"},)"
        R"("positionings":[{"id":"bell","name":"Bell","list":"instruments"},{"id":"kit","name":"Kit","list":"kits"}]})";
    const std::string presets =
        R"(,"presets":{"bankScoped":true,"items":[{"id":"bright","name":"Bright","instrument":"bell",)"
        R"("params":{"strike.hardness":0.10000000000000001,"ir.size":1.25}}]})";
    EXPECT_EQ(lastPage(), bankState("loadBank", "{}", runtime + presets));

    // Applying the preset: one whole gesture per known parameter, the page and processor told.
    rig.clear();
    rig.deliver(R"({"type":"velmo.loadBankPreset","id":"bright"})");
    ASSERT_EQ(rig.edits.size(), 6u);
    EXPECT_EQ(rig.edits[0].kind, EditRecord::Begin);
    EXPECT_EQ(rig.edits[1].kind, EditRecord::Perform);
    EXPECT_EQ(rig.edits[1].id, 2u);
    EXPECT_DOUBLE_EQ(rig.edits[1].value, 0.1);
    EXPECT_EQ(rig.edits[2].kind, EditRecord::End);
    EXPECT_EQ(rig.edits[4].id, 6u);
    EXPECT_DOUBLE_EQ(rig.normalized(6), 0.5);
    EXPECT_EQ(rig.pageOfType("velmo.paramChanged").size(), 2u);
    const auto noted = rig.processor->withId("velmo.diag.presetLoaded");
    ASSERT_EQ(noted.size(), 1u);
    EXPECT_EQ(noted[0].json.value_or(""), "bright");
    EXPECT_EQ(lastPage(), bankState("loadBank", "{}", runtime + presets));
    rig.deliver(R"({"type":"velmo.loadBankPreset","id":"none"})");
    EXPECT_EQ(lastPage(), bankState("loadBank", "{}", runtime + presets + error("bank-missing", "none")));

    // A refusal names the folder (no instrument was asked for) and drops the runtime facts.
    reply("bank-malformed\nbank.json is not a JSON object");
    EXPECT_EQ(lastPage(), bankState("loadBank", "{}", factoryPresets() + error("bank-malformed", "/banks/a")));
}

TEST_F(BankControlTest, PresetOfAnotherInstrumentReloadsTheBankForIt) {
    rig.deliver(R"({"type":"velmo.loadBank","source":"user-folder","bankPath":"/banks/a","instrument":"bell"})");
    reply(std::string("ok\n\nbell\tBell\tinstruments\n\x01" "drums\tDrums\tkit\tmaster.level=0.5"));
    rig.clear();
    rig.deliver(R"({"type":"velmo.loadBankPreset","id":"drums"})");
    EXPECT_EQ(lastRequest(), "user-folder\n/banks/a\n\nkit");
    EXPECT_TRUE(rig.pageOfType("velmo.bankState").empty()) << "the reload's reply answers";
    reply("bank-instrument-unknown\nno kit");
    EXPECT_EQ(lastPage(), bankState("loadBank", "{}", factoryPresets() + error("bank-instrument-unknown", "kit")));
}

TEST_F(BankControlTest, PadOverridesAreKeptOnlyOnceTheProcessorHasThem) {
    const std::string pads = R"({"kick":{"gain":2}})";
    rig.deliver(R"({"type":"velmo.setPadOverrides"})");
    EXPECT_TRUE(rig.page.empty());
    rig.deliver(R"({"type":"velmo.setPadOverrides","pads":)" + pads + "}");
    ASSERT_EQ(rig.processorCount("velmo.padOverrides"), 1u);
    EXPECT_EQ(rig.processor->withId("velmo.padOverrides")[0].json.value_or(""), pads);
    EXPECT_EQ(lastPage(), bankState("setPadOverrides", pads, factoryPresets()));

    IPtr<MemoryStream> saved = owned(new MemoryStream());
    ASSERT_EQ(rig.controller->getState(saved), kResultOk);
    EXPECT_EQ(host::streamBytes(*saved), R"({"sampler":{"v":1,"pads":)" + pads + "}}");
    rig.deliver(R"({"type":"velmo.getState"})");
    EXPECT_NE(lastPage().find(R"("sampler":{)"), std::string::npos) << lastPage();

    // Without a processor nothing is kept, and a load request is answered at once.
    rig.disconnectProcessor();
    rig.clear();
    rig.deliver(R"({"type":"velmo.setPadOverrides","pads":{"snare":{"pan":-1}}})");
    EXPECT_TRUE(rig.page.empty());
    rig.deliver(R"({"type":"velmo.loadBank","source":"user-folder","bankPath":"/banks/b"})");
    EXPECT_EQ(lastPage(), bankState("loadBank", pads, factoryPresets() + error("missing", "/banks/b")));
    rig.connectProcessor();

    // The page's own state: its overrides go to the processor first, then the page is told.
    rig.clear();
    const std::string snare = R"({"snare":{"pan":-1}})";
    rig.deliver(R"({"type":"velmo.setState","pads":{"x":{"gain":1}},"state":{"sampler":{"v":1,"pads":)" + snare + "}}}");
    EXPECT_EQ(rig.processor->withId("velmo.padOverrides").at(0).json.value_or(""), snare);
    EXPECT_EQ(lastPage(), bankState("restore", snare, factoryPresets()));

    // A restored component state brings its own overrides (none here) and says so.
    rig.clear();
    ASSERT_EQ(rig.controller->setComponentState(host::streamOf(R"({"params":{"ir.size":1}})")), kResultOk);
    EXPECT_EQ(lastPage(), bankState("restore", "{}", factoryPresets()));
}

TEST_F(BankControlTest, HostedFetchAnswersWhenItEndsAndRefusesASecondMeanwhile) {
    const ScratchDir data;
    const ScopedEnv xdg("XDG_DATA_HOME", data.path());
    const std::string first = "https://127.0.0.1:9/a.zip", second = "https://127.0.0.1:9/b.zip";
    rig.deliver(R"({"type":"velmo.loadBank","source":"hosted","url":")" + first + R"(","sha256":"abc"})");
    rig.deliver(R"({"type":"velmo.loadBank","source":"hosted","url":")" + second + R"(","sha256":"abc"})");
    ASSERT_EQ(rig.page.size(), 1u) << "the second request is answered at once";
    EXPECT_EQ(rig.page[0], bankState("loadBank", "{}", factoryPresets() + error("bank-fetch-busy", second)));

    runLoopUntil(2);
    ASSERT_EQ(rig.page.size(), 2u);
    EXPECT_EQ(rig.page[1], bankState("loadBank", "{}", factoryPresets() + error("bank-fetch-failed", first)));
    EXPECT_EQ(rig.processorCount("velmo.loadRuntimeBank"), 0u);
}

}  // namespace
}  // namespace velmo::test
