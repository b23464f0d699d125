// The hello document's diagnostic blocks: identity (with and without UI facts), host, feeds,
// preset state and bank.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "diagnostics/compiled_banks.h"
#include "diagnostics/hello_blocks.h"

namespace velmo {
namespace {

const std::string IDENTITY_HEAD =
    R"({"moduleId":"music.velmo.bells","name":"Zuriz","vendor":"Velmo Music","version":"0.1.0",)"
    R"("hostClass":"instrument","target":)";
const std::string IDENTITY_BUILD = R"(,"sdkVersion":"0.0.0","build":{"mode":"production","configuration":"Release"})";
const std::string IDENTITY_TAIL =
    R"(,"ratePolicy":{"mode":"host-native"},"state":{"version":1,"maxBytes":65536},"ports":[)"
    R"({"id":"out","kind":"audio","direction":"output","busRole":"main","channels":2},)"
    R"({"id":"midi-in","kind":"midi","direction":"input","busRole":"main"}]})";

std::string identity(std::uint32_t target, const UiBundleFacts& ui) {
    std::string out;
    writeDiagnosticIdentityJson(out, target, ui);
    return out;
}

TEST(DiagnosticIdentity, WithoutAndWithUiFacts) {
    const UiBundleFacts none;
    EXPECT_EQ(identity(0, none), IDENTITY_HEAD + "\"vst3\"" + IDENTITY_BUILD + IDENTITY_TAIL);

    UiBundleFacts hashOnly;
    std::strcpy(hashOnly.sha256, "ab\"c");
    EXPECT_EQ(identity(0, hashOnly),
              IDENTITY_HEAD + "\"vst3\"" + IDENTITY_BUILD + R"(,"ui":{"sha256":"ab\"c"})" + IDENTITY_TAIL);

    UiBundleFacts all;
    std::strcpy(all.buildTime, "t");
    std::strcpy(all.sourceRevision, "r");
    std::strcpy(all.sha256, "h");
    EXPECT_EQ(identity(0, all), IDENTITY_HEAD + "\"vst3\"" + IDENTITY_BUILD +
                                    R"(,"ui":{"buildTime":"t","sourceRevision":"r","sha256":"h"})" +
                                    IDENTITY_TAIL);
}

TEST(DiagnosticIdentity, TargetNames) {
    const UiBundleFacts none;
    const char* expected[] = {"vst3", "clap", "au", "standalone", "offline", "offline"};
    const std::uint32_t targets[] = {0, 1, 2, 3, 4, 0xFFFFFFFFu};
    for (int i = 0; i < 6; ++i)
        EXPECT_NE(identity(targets[i], none).find(std::string("\"target\":\"") + expected[i] + "\","),
                  std::string::npos)
            << targets[i];
}

TEST(DiagnosticPresetState, OptionalMembers) {
    PresetStateFacts facts;
    facts.factoryCount = 10;
    std::string out;
    writeDiagnosticPresetStateJson(out, facts);
    EXPECT_EQ(out, R"({"factoryCount":10,"dirty":false,"userPresetsSupported":false})");

    std::strcpy(facts.currentId, "factory-3");
    std::strcpy(facts.currentName, "Angelus \"Toll\"");
    facts.dirty = true;
    facts.lastStateBytes = 0;
    facts.bank.present = 1;  // present without an id is not reported
    out.clear();
    writeDiagnosticPresetStateJson(out, facts);
    EXPECT_EQ(out, R"({"factoryCount":10,"currentId":"factory-3","currentName":"Angelus \"Toll\"",)"
                   R"("dirty":true,"userPresetsSupported":false,"lastStateBytes":0})");

    std::strcpy(facts.bank.id, "b");
    out.clear();
    writeDiagnosticPresetStateJson(out, facts);
    EXPECT_NE(out.find(R"("lastStateBytes":0,"bank":{"id":"b"}})"), std::string::npos) << out;
}

TEST(DiagnosticBank, TextsWhenSetCountsWhenKnown) {
    BankFacts bank;
    std::strcpy(bank.id, "pack");
    std::strcpy(bank.kind, "sampler");
    std::strcpy(bank.entryId, "e");
    bank.index = 0;
    bank.chokeGroups = 3;
    std::string out;
    writeDiagnosticBankJson(out, bank);
    EXPECT_EQ(out, R"({"id":"pack","kind":"sampler","entryId":"e","index":0,"chokeGroups":3})");

    // Fields filled from raw bytes without a terminator stay inside their arrays.
    std::memset(bank.name, 'n', sizeof bank.name);
    out.clear();
    writeDiagnosticBankJson(out, bank);
    EXPECT_NE(out.find("\"name\":\"" + std::string(sizeof bank.name, 'n') + "\""), std::string::npos);

    out.clear();
    writeDiagnosticBanksJson(out);
    EXPECT_EQ(out, "");
    EXPECT_EQ(compiledBankCount(), 0u);
    EXPECT_FALSE(describeCompiledBank(0, bank));
    EXPECT_EQ(bank.present, 0u);
    EXPECT_EQ(bank.index, -1);
    EXPECT_EQ(bank.padCount, -1);
    EXPECT_STREQ(bank.id, "");
}

TEST(DiagnosticHelloBlocks, HostBlockOnlyWithASampleRate) {
    HostFacts host;
    PresetStateFacts preset;
    preset.factoryCount = 10;
    std::string out = "{";
    appendDiagnosticHelloBlocks(out, 0, host, preset);
    EXPECT_EQ(out.rfind("{,\"identity\":{", 0), 0u);
    EXPECT_EQ(out.find("\"host\":"), std::string::npos);
    EXPECT_NE(out.find(R"(,"diagnostics":{"feeds":[],"commands":[],"maxFeedHz":0},"presetState":{"factoryCount":10,)"),
              std::string::npos);

    host.sampleRate = 48000;
    host.maxBlockFrames = 256;
    out = "{";
    appendDiagnosticHelloBlocks(out, 0, host, preset);
    const std::size_t hostAt = out.find(",\"host\":{");
    ASSERT_NE(hostAt, std::string::npos);
    EXPECT_LT(hostAt, out.find(",\"diagnostics\":"));
    EXPECT_NE(out.find("\"sampleRate\":48000,\"maxBlockFrames\":256"), std::string::npos);
}

}  // namespace
}  // namespace velmo
