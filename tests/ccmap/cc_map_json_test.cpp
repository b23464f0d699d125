#include "ccmap/cc_map_json.h"
#include "params/param_table.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace velmo {
namespace {

CcBinding binding(uint32_t paramId, uint8_t cc) {
    CcBinding b;
    b.paramId = paramId;
    b.cc = cc;
    return b;
}

std::string written(const CcMap& map) {
    std::string out;
    writeCcMapJson(out, map);
    return out;
}

// Parses from an exact-size heap copy, so any read past the length is caught by ASan.
bool parse(const std::string& text, CcMap& out) {
    std::unique_ptr<char[]> copy(new char[text.size() ? text.size() : 1]);
    std::memcpy(copy.get(), text.data(), text.size());
    return parseCcMapJson(copy.get(), text.size(), out);
}

CcMap parsed(const std::string& text) {
    CcMap map;
    EXPECT_TRUE(parse(text, map)) << text;
    return map;
}

// ---- writer -------------------------------------------------------------------------------

TEST(CcMapWriter, EmptyMapAndMinimalBinding) {
    CcMap map;
    EXPECT_EQ(written(map), R"({"version":1,"bindings":[]})");
    map.bindings[map.count++] = binding(9, 7);
    EXPECT_EQ(written(map), R"({"version":1,"bindings":[{"cc":7,"path":"master.level"}]})");
    std::string message = "x";
    writeCcMapChangedJson(message, map);
    EXPECT_EQ(message, R"(x{"type":"velmo.ccMapChanged","map":{"version":1,"bindings":[)"
                       R"({"cc":7,"path":"master.level"}]}})");
}

TEST(CcMapWriter, EveryOptionalMemberInOrder) {
    CcMap map;
    CcBinding b = binding(4, 74);
    b.channel = 16;
    b.hasMin = true;
    b.minValue = 0.5;
    b.hasMax = true;
    b.maxValue = 100000.0;
    b.curve = kCcCurveSCurve;
    b.valueMode = kCcValueRelativeTwosComplement;
    b.takeover = kCcTakeoverScaled;
    b.enabled = false;
    map.bindings[map.count++] = b;
    b = binding(0, 1);
    b.curve = kCcCurveExp;
    b.valueMode = kCcValueToggle;
    b.takeover = kCcTakeoverPickup;
    b.hasMax = true;
    b.maxValue = -0.0;
    map.bindings[map.count++] = b;
    EXPECT_EQ(written(map),
              R"({"version":1,"bindings":[{"cc":74,"path":"ir.decayScale","channel":16,)"
              R"("min":0.5,"max":1e+05,"curve":"s-curve","valueMode":"relative-twos-complement",)"
              R"("takeover":"scaled","enabled":false},{"cc":1,"path":"ir.family","max":-0,)"
              R"("curve":"exp","valueMode":"toggle","takeover":"pickup"}]})");
}

TEST(CcMapWriter, SkipsUnknownIdsAndIgnoresCorruptFields) {
    CcMap map;
    map.bindings[map.count++] = binding(10, 1);
    map.bindings[map.count++] = binding(2, 2);
    map.bindings[map.count++] = binding(0xFFFFFFFF, 3);
    CcBinding odd = binding(3, 4);
    odd.curve = 9;
    odd.valueMode = 200;
    odd.takeover = 3;
    odd.hasMin = true;
    odd.minValue = std::numeric_limits<double>::infinity();
    map.bindings[map.count++] = odd;
    EXPECT_EQ(written(map), R"({"version":1,"bindings":[{"cc":2,"path":"strike.hardness"},)"
                            R"({"cc":4,"path":"strike.noise","min":null}]})");
    map.count = 1000;  // a corrupt count never reads past the array
    EXPECT_NO_FATAL_FAILURE(written(map));
}

TEST(CcMapWriter, NumbersIgnoreTheProcessLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE locale";
    CcMap map;
    CcBinding b = binding(8, 5);
    b.hasMin = true;
    b.minValue = 0.1;
    map.bindings[map.count++] = b;
    const std::string text = written(map);
    const CcMap back = parsed(R"({"bindings":[{"cc":5,"path":"amp.release","min":0.25}]})");
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(text, R"({"version":1,"bindings":[{"cc":5,"path":"amp.release","min":0.1}]})");
    ASSERT_EQ(back.count, 1u);
    EXPECT_EQ(back.bindings[0].minValue, 0.25);
}

// ---- reader -------------------------------------------------------------------------------

TEST(CcMapReader, ArraysAndObjectsBothCarryTheList) {
    for (const char* text : {"[]", "{\"bindings\":[]}", " \t\r\n[ ] \n", "{\"version\":2,\"bindings\":[]}"}) {
        Reader reader(text, std::strlen(text));
        CcMap map;
        map.count = 3;
        bool saw = false;
        EXPECT_TRUE(readCcMapValue(reader, 0, map, saw)) << text;
        EXPECT_TRUE(saw) << text;
        EXPECT_EQ(map.count, 0u);
    }
    for (const char* text : {"{}", "{\"bindings\":null}", "{\"bindings\":{\"cc\":1}}", "null", "7"}) {
        Reader reader(text, std::strlen(text));
        CcMap map;
        map.count = 3;
        bool saw = true;
        EXPECT_TRUE(readCcMapValue(reader, 0, map, saw)) << text;
        EXPECT_FALSE(saw) << text;
        EXPECT_EQ(map.count, 0u) << text;
    }
    // Whole texts must start with an object or array, and hold nothing else.
    CcMap map;
    EXPECT_TRUE(parse("{}", map));
    for (const char* bad : {"", " ", "null", "7", "\"[]\"", "[] x", "[],", "{}{}", "\f[]", "[]\v",
                            "[", "{", "{\"bindings\":[}", "[{\"cc\":1,}]", "{\"a\" 1}", "[1 2]"}) {
        EXPECT_FALSE(parse(bad, map)) << bad;
    }
}

TEST(CcMapReader, NumbersAreRoundedAndClamped) {
    const CcMap map = parsed(
        R"([{"cc":200,"path":"master.level"},{"cc":7.4,"path":"master.level"},)"
        R"({"cc":-3,"path":"master.level"},{"cc":6.5,"path":"master.level","channel":0},)"
        R"({"cc":1,"path":"ir.size","channel":99},{"cc":1,"path":"ir.size","channel":3.5},)"
        R"({"cc":1e999,"path":"ir.size","channel":-1e999},{"cc":0x10,"path":"ir.size"}])");
    ASSERT_EQ(map.count, 8u);
    EXPECT_EQ(map.bindings[0].cc, 127);
    EXPECT_EQ(map.bindings[0].paramId, 9u);
    EXPECT_EQ(map.bindings[1].cc, 7);
    EXPECT_EQ(map.bindings[2].cc, 0);
    EXPECT_EQ(map.bindings[3].cc, 7);
    EXPECT_EQ(map.bindings[3].channel, 1);
    EXPECT_EQ(map.bindings[4].channel, 16);
    EXPECT_EQ(map.bindings[5].channel, 4);
    EXPECT_EQ(map.bindings[6].cc, 127);
    EXPECT_EQ(map.bindings[6].channel, 1);
    EXPECT_EQ(map.bindings[7].cc, 16);
}

TEST(CcMapReader, EnumNamesAndFlags) {
    const CcMap map = parsed(
        R"({"bindings":[{"path":"ir.damping","cc":3,"curve":"linear","valueMode":"absolute",)"
        R"("takeover":"immediate","enabled":true,"min":-2,"max":1e-300},)"
        R"({"cc":4,"path":"ir.damping","curve":"log","valueMode":"relative-binary-offset",)"
        R"("takeover":"pickup","enabled":false},)"
        R"({"cc":5,"path":"ir.damping","curve":"EXP","valueMode":"relative-signed-bit",)"
        R"("enabled":"false"},{"cc":6,"path":"ir.damping","enabled":0}]})");
    ASSERT_EQ(map.count, 4u);
    const CcBinding& a = map.bindings[0];
    EXPECT_EQ(a.curve, kCcCurveLinear);
    EXPECT_EQ(a.valueMode, kCcValueAbsolute);
    EXPECT_EQ(a.takeover, kCcTakeoverImmediate);
    EXPECT_TRUE(a.enabled);
    EXPECT_TRUE(a.hasMin && a.hasMax);
    EXPECT_EQ(a.minValue, -2.0);
    EXPECT_EQ(a.maxValue, 1e-300);
    const CcBinding& b = map.bindings[1];
    EXPECT_EQ(b.curve, kCcCurveLog);
    EXPECT_EQ(b.valueMode, kCcValueRelativeBinaryOffset);
    EXPECT_EQ(b.takeover, kCcTakeoverPickup);
    EXPECT_FALSE(b.enabled);
    EXPECT_EQ(map.bindings[2].curve, kCcCurveLinear);  // names are case-sensitive
    EXPECT_EQ(map.bindings[2].valueMode, kCcValueRelativeSignedBit);
    EXPECT_TRUE(map.bindings[2].enabled);  // only the literals count
    EXPECT_TRUE(map.bindings[3].enabled);
    // A linear curve read from an unknown name is written back without a "curve" member.
    EXPECT_EQ(written(map).find("curve\":\"lin"), std::string::npos);
}

TEST(CcMapReader, DroppedBindingsAndSkippedValuesDoNotFail) {
    const CcMap map = parsed(
        R"([{},{"cc":1},{"path":"ir.size"},{"cc":nan,"path":"ir.size"},{"cc":2,"path":"ir.Size"},{"cc":3,"path":"ir.size.x"},)"
        R"(1,"x",null,true,[{"cc":4,"path":"ir.size"}],)"
        R"({"cc":"5","path":"ir.size"},{"cc":[1],"cc":6,"path":"ir.size","extra":{"a":[1,{}]}},)"
        R"({"cc":7,"path":"ir.size","min":"low","max":null,"channel":{}},)"
        R"({"cc":8,"path":"ir.size","min":nan,"max":inf},)"
        R"({"cc":9,"path":"ir.size","path":"nope"}])");
    ASSERT_EQ(map.count, 3u);
    EXPECT_EQ(map.bindings[0].cc, 6);  // the later "cc" wins; a non-number one is skipped
    EXPECT_EQ(map.bindings[1].cc, 7);
    EXPECT_FALSE(map.bindings[1].hasMin);
    EXPECT_FALSE(map.bindings[1].hasMax);
    EXPECT_EQ(map.bindings[1].channel, 0);
    EXPECT_EQ(map.bindings[2].cc, 8);
    EXPECT_FALSE(map.bindings[2].hasMin || map.bindings[2].hasMax);
}

TEST(CcMapReader, NonFiniteBoundsAreIgnored) {
    // They could not be written back as numbers, so they never enter the map.
    const CcMap map = parsed(R"([{"cc":8,"path":"ir.size","min":nan,"max":-Infinity,"cc":1e999}])");
    ASSERT_EQ(map.count, 1u);
    EXPECT_FALSE(map.bindings[0].hasMin);
    EXPECT_FALSE(map.bindings[0].hasMax);
    EXPECT_EQ(map.bindings[0].cc, 127);
}

TEST(CcMapReader, StringMembersMustBeStrings) {
    CcMap map;
    for (const char* bad : {R"([{"cc":1,"path":1}])", R"([{"cc":1,"path":"ir.size","curve":null}])",
                            R"([{"valueMode":["toggle"]}])", R"({"bindings":[{"takeover":true}]})",
                            R"([{"cc":1,"path":"ir.size","enabled":falsey}])",
                            R"([{"cc":1,"path":"ir.size\"}])"}) {
        EXPECT_FALSE(parse(bad, map)) << bad;
    }
}

TEST(CcMapReader, EscapesInKeysAndPathsAreDecoded) {
    const CcMap map = parsed(R"([{"\c\c":5,"p\ath":"ir.\size"},{"cc":6,"path":"ir.\u0073ize"}])");
    ASSERT_EQ(map.count, 1u);  // \u escapes read as '?', so the second path is unknown
    EXPECT_EQ(map.bindings[0].cc, 5);
    EXPECT_EQ(map.bindings[0].paramId, 6u);
}

TEST(CcMapReader, KeepsTheFirst64Bindings) {
    std::string text = "{\"bindings\":[";
    for (int i = 0; i < 65; ++i) {
        if (i) text += ",";
        text += "{\"cc\":" + std::to_string(i) + ",\"path\":\"strike.noise\"}";
    }
    text += "]}";
    const CcMap map = parsed(text);
    ASSERT_EQ(map.count, 64u);
    EXPECT_EQ(map.bindings[63].cc, 63);
}

TEST(CcMapReader, NestingLimitCountsFromTheMapValue) {
    auto nested = [](int levels) {
        return "{\"x\":" + std::string(levels, '[') + std::string(levels, ']') + "}";
    };
    CcMap map;
    EXPECT_TRUE(parse(nested(32), map));  // innermost array at level 32
    EXPECT_FALSE(parse(nested(33), map));
    // Embedded deeper, the same map fails sooner.
    const std::string binding = R"([{"cc":1,"path":"ir.size"}])";
    Reader ok(binding);
    bool saw = false;
    EXPECT_TRUE(readCcMapValue(ok, 30, map, saw));  // binding members at level 32
    EXPECT_EQ(map.count, 1u);
    Reader tooDeep(binding);
    EXPECT_FALSE(readCcMapValue(tooDeep, 31, map, saw));
}

TEST(CcMapReader, EmbeddedReaderStopsAfterTheValue) {
    const std::string text = R"({"bindings":[{"cc":2,"path":"ir.size"}]} ,"next":1)";
    Reader reader(text);
    CcMap map;
    bool saw = false;
    ASSERT_TRUE(readCcMapValue(reader, 1, map, saw));
    EXPECT_TRUE(saw);
    EXPECT_EQ(std::string(reader.pos, reader.end), R"( ,"next":1)");
}

TEST(CcMapReader, NeverReadsPastTheLength) {
    // Every prefix of a valid document is parsed from an exact-size buffer (ASan checks reads).
    const std::string full =
        R"({"version":1,"bindings":[{"cc":12.5e0,"path":"ir.size","min":-1.5e-3,"max":0x1p3,)"
        R"("curve":"log","enabled":false}]})";
    CcMap map;
    for (std::size_t n = 0; n < full.size(); ++n) {
        EXPECT_FALSE(parse(full.substr(0, n), map)) << n;
    }
    EXPECT_TRUE(parse(full, map));
    EXPECT_FALSE(parseCcMapJson(nullptr, 3, map));
    EXPECT_FALSE(parseCcMapJson(nullptr, 0, map));
}

// ---- round trips --------------------------------------------------------------------------

CcMap randomMap(std::mt19937_64& rng) {
    std::uniform_int_distribution<uint32_t> count(0, kCcMapCapacity);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_real_distribution<double> unit(-1e3, 1e3);
    CcMap map;
    map.count = count(rng);
    for (uint32_t i = 0; i < map.count; ++i) {
        CcBinding& b = map.bindings[i];
        b.paramId = byte(rng) % 12;  // 10 and 11 are written as nothing
        b.cc = static_cast<uint8_t>(byte(rng) % 128);
        b.channel = static_cast<uint8_t>(byte(rng) % 17);
        b.curve = static_cast<uint8_t>(byte(rng) % 4);
        b.valueMode = static_cast<uint8_t>(byte(rng) % 5);
        b.takeover = static_cast<uint8_t>(byte(rng) % 3);
        b.enabled = byte(rng) % 2;
        b.hasMin = byte(rng) % 2;
        b.hasMax = byte(rng) % 2;
        // Unflagged bounds carry noise that must not matter.
        b.minValue = byte(rng) % 3 ? unit(rng) : std::ldexp(unit(rng), byte(rng) - 128);
        b.maxValue = unit(rng) * unit(rng);
    }
    return map;
}

TEST(CcMapRoundTrip, WriteThenParseKeepsEveryBindingWithAKnownId) {
    std::mt19937_64 rng(0x5EED0CC);
    for (int round = 0; round < 500; ++round) {
        const CcMap map = randomMap(rng);
        CcMap expected;
        for (uint32_t i = 0; i < map.count; ++i) {
            if (map.bindings[i].paramId < VELMO_PARAM_COUNT)
                expected.bindings[expected.count++] = map.bindings[i];
        }
        const std::string text = written(map);
        CcMap back;
        ASSERT_TRUE(parse(text, back)) << text;
        ASSERT_TRUE(ccMapsEqual(back, expected)) << "round " << round << ": " << text;
        EXPECT_EQ(written(back), text);
    }
}

TEST(CcMapRoundTrip, EqualityLooksOnlyAtMeaningfulFields) {
    CcMap a, b;
    a.count = b.count = 1;
    a.bindings[0].minValue = 1.0;  // no has-min flag: noise
    EXPECT_TRUE(ccMapsEqual(a, b));
    a.bindings[0].hasMin = b.bindings[0].hasMin = true;
    EXPECT_FALSE(ccMapsEqual(a, b));
    b.bindings[0].minValue = 1.0;
    EXPECT_TRUE(ccMapsEqual(a, b));
    a.bindings[1].cc = 9;  // beyond count
    EXPECT_TRUE(ccMapsEqual(a, b));
    b.bindings[0].enabled = false;
    EXPECT_FALSE(ccMapsEqual(a, b));
}

}  // namespace
}  // namespace velmo
