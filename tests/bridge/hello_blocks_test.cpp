// Diagnostic blocks the bundle's hello cannot reach: other targets, a current preset with a
// bank, and bank records filled from raw bytes. (The hello itself is checked byte for byte
// through the bundle.)
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "diagnostics/compiled_banks.h"
#include "diagnostics/hello_blocks.h"

namespace velmo {
namespace {

std::string identity(std::uint32_t target, const UiBundleFacts& ui) {
    std::string out;
    writeDiagnosticIdentityJson(out, target, ui);
    return out;
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

}  // namespace
}  // namespace velmo
