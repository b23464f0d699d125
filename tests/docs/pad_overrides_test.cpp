// Pad overrides document: writer bytes, the reader's keep/drop rules, and round trips.
#include "docs/pad_overrides.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace velmo {
namespace {

SamplerPadOverrides parse(const std::string& text, bool* ok) {
    SamplerPadOverrides out;
    *ok = parseSamplerPadOverridesJson(text.data(), text.size(), out);
    return out;
}

SamplerPadOverrides parseOk(const std::string& text) {
    bool ok = false;
    SamplerPadOverrides out = parse(text, &ok);
    EXPECT_TRUE(ok) << text;
    return out;
}

std::string write(const SamplerPadOverrides& pads) {
    std::string out;
    writeSamplerPadOverridesJson(out, pads);
    return out;
}

TEST(PadOverridesWrite, MembersInBitOrderAndFilteredEntries) {
    SamplerPadOverride kick;
    kick.padId = "kick";
    kick.gain = 2;
    kick.transpose = 3;
    kick.fields = kPadGain | kPadTranspose;
    SamplerPadOverride empty;
    empty.padId = "unset";
    SamplerPadOverride noId;
    noId.fields = kPadPan;
    SamplerPadOverride all;
    all.padId = "a\"b";
    all.fields = 0x7FFF;
    all.release = 0.5;
    EXPECT_EQ(write({kick}), "{\"kick\":{\"transpose\":3,\"gain\":2}}");
    EXPECT_EQ(write({empty}), "{}");
    EXPECT_EQ(write({}), "{}");
    EXPECT_EQ(write({empty, noId, kick}), "{\"kick\":{\"transpose\":3,\"gain\":2}}");
    EXPECT_EQ(write({all}),
              "{\"a\\\"b\":{\"transpose\":0,\"fineTune\":0,\"gain\":1,\"pan\":0,\"start\":0,"
              "\"end\":1,\"attack\":0,\"release\":0.5,\"filterHz\":20000,\"resonance\":0.7,"
              "\"reverse\":0,\"muted\":0,\"chokeGroup\":0,\"roundRobinGroup\":0,"
              "\"velocitySensitivity\":1}}");
}

TEST(PadOverridesRead, RangeAndKindRules) {
    struct Case {
        const char* member;
        const char* value;
        bool kept;
    } cases[] = {
        {"transpose", "2.5", false},   {"transpose", "-24", true},   {"transpose", "25", false},
        {"fineTune", "-100", true},    {"fineTune", "100.5", false}, {"gain", "4", true},
        {"gain", "-0.1", false},       {"pan", "-1", true},          {"start", "1", true},
        {"end", "1.01", false},        {"attack", "2", true},        {"release", "0", false},
        {"release", "0.001", true},    {"filterHz", "20000", true},  {"filterHz", "19.9", false},
        {"resonance", "0.1", true},    {"resonance", "18.5", false}, {"reverse", "0.5", false},
        {"reverse", "1", true},        {"muted", "1", true},         {"muted", "true", false},
        {"chokeGroup", "8", true},     {"chokeGroup", "8.5", false}, {"roundRobinGroup", "0", true},
        {"roundRobinGroup", "9", false}, {"velocitySensitivity", "0.25", true},
        {"gain", "\"2\"", false},      {"gain", "nan", false},       {"gain", "Infinity", false},
        {"gain", "null", false},       {"gain", "[1]", false},       {"Gain", "1", false},
        {"gain", "0x2", true},
    };
    for (const Case& c : cases) {
        std::string doc = std::string("{\"p\":{\"") + c.member + "\":" + c.value + "}}";
        SamplerPadOverrides pads = parseOk(doc);
        EXPECT_EQ(pads.size(), c.kept ? 1u : 0u) << doc;
    }
    SamplerPadOverrides pads = parseOk("{\"p\":{\"gain\":9,\"pan\":-0.5,\"x\":{\"y\":[1]}}}");
    ASSERT_EQ(pads.size(), 1u);
    EXPECT_EQ(pads[0].fields, static_cast<std::uint32_t>(kPadPan));
    EXPECT_EQ(pads[0].pan, -0.5);
    EXPECT_EQ(pads[0].gain, 1.0) << "a dropped value leaves the default";
}

TEST(PadOverridesRead, EntriesIdsAndLimits) {
    // A repeated pad is replaced whole, in its first place.
    SamplerPadOverrides pads =
        parseOk(" {\"a\":{\"gain\":2,\"pan\":1},\"b\":{\"muted\":1},\"a\":{\"attack\":1}} ");
    ASSERT_EQ(pads.size(), 2u);
    EXPECT_EQ(pads[0].padId, "a");
    EXPECT_EQ(pads[0].fields, static_cast<std::uint32_t>(kPadAttack));
    EXPECT_EQ(pads[1].padId, "b");

    // Non-object pad values are skipped; so are pads without a kept setting.
    pads = parseOk("{\"n\":3,\"s\":\"x\",\"u\":{\"other\":1},\"d\":{\"gain\":99},\"k\":{\"end\":0}}");
    ASSERT_EQ(pads.size(), 1u);
    EXPECT_EQ(pads[0].padId, "k");

    std::string id160(160, 'i'), id161(161, 'j');
    pads = parseOk("{\"" + id160 + "\":{\"gain\":1},\"" + id161 + "\":{\"gain\":1}}");
    ASSERT_EQ(pads.size(), 1u);
    EXPECT_EQ(pads[0].padId, id160);
    EXPECT_TRUE(parseOk("{\"\":{\"gain\":1}}").empty()) << "an empty id could not be written back";

    auto manyPads = [](int n) {
        std::string doc = "{";
        for (int i = 0; i < n; ++i)
            doc += (i ? ",\"" : "\"") + std::to_string(i) + "\":{\"gain\":1}";
        return doc + "}";
    };
    EXPECT_EQ(parseOk(manyPads(256)).size(), 256u);
    EXPECT_TRUE(parseOk(manyPads(257)).empty());
    // 256 kept plus a dropped member still counts as too many.
    EXPECT_TRUE(parseOk(manyPads(256).insert(1, "\"z\":0,")).empty());
}

TEST(PadOverridesRead, SyntaxErrorsFailAndLeaveTheListAlone) {
    SamplerPadOverride keep;
    keep.padId = "keep";
    keep.fields = kPadGain;
    for (const char* bad : {"", "[]", "{", "{\"a\"}", "{\"a\":{\"gain\":1}", "{\"a\":{}}x",
                            "{\"a\":{},}", "{a:{}}", "{\"a\":{\"gain\":}}", "{\"a\":{\"gain\" 1}}",
                            "{\"a\":{\"gain\":1,}}", "{\"a\":{\"g\":tru}}", "{\"a\":{}}{}",
                            "{\"a\":{\"gain\":1 2}}"}) {
        SamplerPadOverrides pads{keep};
        EXPECT_FALSE(parseSamplerPadOverridesJson(bad, std::strlen(bad), pads)) << bad;
        ASSERT_EQ(pads.size(), 1u);
        EXPECT_EQ(pads[0].padId, "keep");
    }
    SamplerPadOverrides pads{keep};
    EXPECT_TRUE(parseSamplerPadOverridesJson("{}", 2, pads));
    EXPECT_TRUE(pads.empty());
}

SamplerPadOverride randomPad(std::mt19937_64& rng, int index) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    SamplerPadOverride p;
    // Ids with bytes a writer must escape or pass through raw.
    const std::string spice = "\"\\\n\t\x01\xc3\xa9/ {}:,";
    p.padId = "pad" + std::to_string(index);
    for (int k = rng() % 4; k > 0; --k) p.padId.push_back(spice[rng() % spice.size()]);
    p.fields = static_cast<std::uint32_t>(rng() % 0x8000);
    if (p.fields == 0) p.fields = kPadGain;
    auto span = [&](double lo, double hi) { return lo + (hi - lo) * unit(rng); };
    p.transpose = static_cast<double>(static_cast<int>(rng() % 49) - 24);
    p.fineTune = span(-100, 100);
    p.gain = span(0, 4);
    p.pan = span(-1, 1);
    p.start = unit(rng);
    p.end = unit(rng);
    p.attack = span(0, 2);
    p.release = span(0.001, 4);
    p.filterHz = span(20, 20000);
    p.resonance = span(0.1, 18);
    p.reverse = static_cast<double>(rng() % 2);
    p.muted = static_cast<double>(rng() % 2);
    p.chokeGroup = static_cast<double>(rng() % 9);
    p.roundRobinGroup = static_cast<double>(rng() % 9);
    p.velocitySensitivity = unit(rng);
    // Unset fields keep their defaults, so equality after reading is exact.
    SamplerPadOverride defaults;
    defaults.padId = p.padId;
    defaults.fields = p.fields;
    SamplerPadOverride out = defaults;
    if (p.fields & kPadTranspose) out.transpose = p.transpose;
    if (p.fields & kPadFineTune) out.fineTune = p.fineTune;
    if (p.fields & kPadGain) out.gain = p.gain;
    if (p.fields & kPadPan) out.pan = p.pan;
    if (p.fields & kPadStart) out.start = p.start;
    if (p.fields & kPadEnd) out.end = p.end;
    if (p.fields & kPadAttack) out.attack = p.attack;
    if (p.fields & kPadRelease) out.release = p.release;
    if (p.fields & kPadFilterHz) out.filterHz = p.filterHz;
    if (p.fields & kPadResonance) out.resonance = p.resonance;
    if (p.fields & kPadReverse) out.reverse = p.reverse;
    if (p.fields & kPadMuted) out.muted = p.muted;
    if (p.fields & kPadChokeGroup) out.chokeGroup = p.chokeGroup;
    if (p.fields & kPadRoundRobinGroup) out.roundRobinGroup = p.roundRobinGroup;
    if (p.fields & kPadVelocitySensitivity) out.velocitySensitivity = p.velocitySensitivity;
    return out;
}

TEST(PadOverridesRoundTrip, RandomSetsReadBackEqual) {
    std::mt19937_64 rng(0x5a2d);
    for (int round = 0; round < 400; ++round) {
        SamplerPadOverrides pads;
        int count = static_cast<int>(rng() % (round % 50 == 0 ? 257 : 12));
        for (int i = 0; i < count; ++i) pads.push_back(randomPad(rng, i));
        std::string text = write(pads);
        SamplerPadOverrides back;
        ASSERT_TRUE(parseSamplerPadOverridesJson(text.data(), text.size(), back)) << text;
        ASSERT_EQ(back, pads) << text;
    }
}

}  // namespace
}  // namespace velmo
