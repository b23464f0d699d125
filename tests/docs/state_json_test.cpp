// Component state document: the writer's exact bytes, the reader's rules, and round trips of
// random records.
#include "docs/state_json.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "ccmap/cc_map_json.h"
#include "docs/sampler_names.h"
#include "write_chunk.h"

namespace velmo {
namespace {

const double kDefaults[VELMO_PARAM_COUNT] = {0, 0.15, 0.62, 0.12, 1, 1, 1, 0.5, 0.5, 0.78};
const std::string kDefaultParams =
    "{\"params\":{\"ir.family\":0,\"strike.position\":0.15,\"strike.hardness\":0.62,"
    "\"strike.noise\":0.12,\"ir.decayScale\":1,\"ir.damping\":1,\"ir.size\":1,"
    "\"ir.stereoWidth\":0.5,\"amp.release\":0.5,\"master.level\":0.78}";

std::string writeBare(std::int32_t variation) {
    return writeStateJson(kDefaults, variation, nullptr, 0, 0, nullptr, nullptr, nullptr);
}

bool parse(const std::string& text, StateChunk& chunk) {
    return parseStateJson(text.data(), text.size(), chunk);
}

TEST(StateWrite, MinimalAndOptionalSections) {
    EXPECT_EQ(writeBare(-1), kDefaultParams + "}");
    EXPECT_EQ(writeBare(0), kDefaultParams + ",\"variation\":0}");

    double odd[VELMO_PARAM_COUNT] = {4, std::numeric_limits<double>::quiet_NaN(), -0.0, 1e-7};
    std::string out = writeStateJson(odd, 3, nullptr, 0, 0, nullptr, nullptr, nullptr);
    const std::string head = "{\"params\":{\"ir.family\":4,\"strike.position\":null,"
                             "\"strike.hardness\":-0,\"strike.noise\":1e-07,";
    EXPECT_EQ(out.substr(0, head.size()), head);

    CcMap empty;
    EXPECT_EQ(writeStateJson(kDefaults, -1, &empty, 0, 0, nullptr, nullptr, nullptr),
              kDefaultParams + ",\"ccMap\":{\"version\":1,\"bindings\":[]}}");

    EXPECT_EQ(writeStateJson(kDefaults, -1, nullptr, kSamplerAssetMovedInMemory, 3, nullptr,
                             nullptr, nullptr),
              kDefaultParams +
                  ",\"samplerAssetFault\":\"moved-in-memory-asset\",\"samplerZoneAbi\":"
                  "\"velmo-dual-stack-sampler/zone-layer/v1\",\"samplerZoneVersion\":1,"
                  "\"samplerZoneProgram\":\"velocity-round-robin\"}");
    EXPECT_EQ(writeStateJson(kDefaults, -1, nullptr, 0x53410009, 8, nullptr, nullptr, nullptr),
              kDefaultParams +
                  ",\"samplerAssetFault\":\"none\",\"samplerZoneAbi\":"
                  "\"velmo-dual-stack-sampler/zone-layer/v1\",\"samplerZoneVersion\":1,"
                  "\"samplerZoneProgram\":\"legacy-single-zone\"}");

    SamplerPadOverrides none;
    SamplerPadOverride unset;
    unset.padId = "p";
    SamplerPadOverrides filtered{unset};
    EXPECT_EQ(writeStateJson(kDefaults, -1, nullptr, 0, 0, nullptr, &none, nullptr),
              kDefaultParams + "}");
    EXPECT_EQ(writeStateJson(kDefaults, -1, nullptr, 0, 0, nullptr, &filtered, nullptr),
              kDefaultParams + ",\"sampler\":{\"v\":1,\"pads\":{}}}");

    BankStateRefOut idOnly;
    idOnly.id = "bank-1";
    EXPECT_EQ(writeStateJson(kDefaults, -1, nullptr, 0, 0, &idOnly, nullptr, nullptr),
              kDefaultParams + ",\"bank\":{\"version\":1,\"id\":\"bank-1\",\"source\":\"embedded\"}}");
    BankStateRefOut full{"b", "2.0", "ab", "hosted", "pre", "ins", "/x"};
    EXPECT_EQ(writeStateJson(kDefaults, -1, nullptr, 0, 0, &full, nullptr, nullptr),
              kDefaultParams +
                  ",\"bank\":{\"version\":1,\"id\":\"b\",\"bankVersion\":\"2.0\",\"sha256\":\"ab\","
                  "\"locator\":\"/x\",\"source\":\"hosted\",\"instrument\":\"ins\","
                  "\"presetId\":\"pre\"}}");
    BankStateRefOut noId{"", "2.0"};
    EXPECT_EQ(writeStateJson(kDefaults, -1, nullptr, 0, 0, &noId, nullptr, nullptr),
              kDefaultParams + "}");

    const std::uint8_t bytes[] = {'a', 'b'};
    AuthoredStateOut authored{bytes, 2, 7};
    AuthoredStateOut emptyAuthored{bytes, 0, 7};
    EXPECT_EQ(writeStateJson(kDefaults, -1, nullptr, 0, 0, nullptr, nullptr, &authored),
              kDefaultParams + ",\"authoredState\":{\"v\":7,\"bytes\":\"YWI=\"}}");
    EXPECT_EQ(writeStateJson(kDefaults, -1, nullptr, 0, 0, nullptr, nullptr, &emptyAuthored),
              kDefaultParams + "}");
}

TEST(StateRead, ParamsMember) {
    StateChunk c;
    ASSERT_TRUE(parse("{\"params\":{\"ir.size\":true,\"ir.family\":false,\"master.level\":0.25,"
                      "\"strike.noise\":\"0.3\",\"amp.release\":null,\"ir.damping\":[1],"
                      "\"unknown.path\":5,\"IR.SIZE\":3,\"ir.decayScale\":-7}}",
                      c));
    EXPECT_TRUE(c.paramPresent[6]);
    EXPECT_EQ(c.params[6], 1.0);
    EXPECT_TRUE(c.paramPresent[0]);
    EXPECT_EQ(c.params[0], 0.0);
    EXPECT_EQ(c.params[9], 0.25);
    EXPECT_EQ(c.params[4], -7.0) << "stored as given; consumers clamp";
    EXPECT_FALSE(c.paramPresent[3]);
    EXPECT_FALSE(c.paramPresent[8]);
    EXPECT_FALSE(c.paramPresent[5]);

    StateChunk d;
    EXPECT_FALSE(parse("{\"params\":{\"ir.size\":tree}}", d));
    StateChunk e;
    EXPECT_FALSE(parse("{\"params\":{\"ir.size\":fals}}", e));
    StateChunk f;
    EXPECT_FALSE(parse("{\"params\":[1]}", f));
    StateChunk g;
    EXPECT_FALSE(parse("{\"params\":{\"ir.size\":truex}}", g));
    StateChunk h;
    ASSERT_TRUE(parse("{\"params\":{\"ir.size\":nan,\"ir.damping\":-inf,\"ir.family\":2}}", h));
    EXPECT_FALSE(h.paramPresent[6]) << "non-finite values never reach the engine";
    EXPECT_FALSE(h.paramPresent[5]);
    EXPECT_TRUE(h.paramPresent[0]);
}

TEST(StateRead, ScalarsAndRequiredTypes) {
    StateChunk c;
    ASSERT_TRUE(parse("{\"variation\":2.9}", c));
    EXPECT_EQ(c.variation, 2);
    StateChunk neg;
    ASSERT_TRUE(parse("{\"variation\":-2.9}", neg));
    EXPECT_EQ(neg.variation, -2);
    StateChunk huge;
    ASSERT_TRUE(parse("{\"variation\":1e300}", huge));
    EXPECT_EQ(huge.variation, std::numeric_limits<std::int32_t>::max()) << "saturates, no UB";
    StateChunk bad;
    EXPECT_FALSE(parse("{\"variation\":\"2\"}", bad));

    StateChunk f;
    ASSERT_TRUE(parse("{\"samplerAssetFault\":\"moved-in-memory-asset\"}", f));
    EXPECT_EQ(f.samplerAssetFault, 0x53410003u);
    EXPECT_TRUE(f.hasSamplerAssetFault);
    ASSERT_TRUE(parse("{\"samplerAssetFault\":\"moved-in-memory-asset\",\"samplerAssetFault\":\"none\"}",
                      f = StateChunk()));
    EXPECT_EQ(f.samplerAssetFault, 0u);
    EXPECT_FALSE(f.hasSamplerAssetFault);
    StateChunk g;
    ASSERT_TRUE(parse("{\"samplerAssetFault\":\"corrupt-in-memory-asset\",\"samplerAssetFault\":\"bogus\"}", g));
    EXPECT_FALSE(g.hasSamplerAssetFault);
    StateChunk h;
    EXPECT_FALSE(parse("{\"samplerAssetFault\":1}", h));

    StateChunk z;
    ASSERT_TRUE(parse("{\"samplerZoneAbi\":5,\"samplerZoneVersion\":\"x\","
                      "\"samplerZoneProgram\":\"key-zones-pitch\",\"samplerZoneProgram\":\"nope\"}",
                      z));
    EXPECT_EQ(z.samplerZoneProgram, 4u);
    EXPECT_TRUE(z.hasSamplerZoneProgram);
    StateChunk y;
    EXPECT_FALSE(parse("{\"samplerZoneProgram\":null}", y));
}

TEST(StateRead, SamplerAndAuthoredSections) {
    StateChunk c;
    ASSERT_TRUE(parse("{\"sampler\":{\"v\":1,\"pads\":{\"k\":{\"gain\":2}},\"x\":[]}}", c));
    ASSERT_TRUE(c.hasPadOverrides);
    ASSERT_EQ(c.padOverrides.size(), 1u);
    EXPECT_EQ(c.padOverrides[0].gain, 2.0);
    StateChunk v2;
    ASSERT_TRUE(parse("{\"sampler\":{\"v\":2,\"pads\":{\"k\":{\"gain\":2}}}}", v2));
    EXPECT_FALSE(v2.hasPadOverrides);
    EXPECT_TRUE(v2.padOverrides.empty());
    StateChunk noV;
    ASSERT_TRUE(parse("{\"sampler\":{\"pads\":{\"k\":{\"gain\":2}}},\"sampler\":{}}", noV));
    EXPECT_FALSE(noV.hasPadOverrides);
    StateChunk other;
    ASSERT_TRUE(parse("{\"sampler\":[1,2],\"authoredState\":\"x\",\"bank\":7}", other));
    StateChunk bad;
    EXPECT_FALSE(parse("{\"sampler\":{\"v\":\"1\"}}", bad));
    StateChunk badPads;
    EXPECT_FALSE(parse("{\"sampler\":{\"v\":1,\"pads\":{\"k\":}}}", badPads));

    StateChunk a;
    ASSERT_TRUE(parse("{\"authoredState\":{\"bytes\":\"YWJj\",\"v\":3.7}}", a));
    EXPECT_TRUE(a.hasAuthoredState);
    EXPECT_EQ(a.authoredVersion, 3u);
    EXPECT_EQ(a.authoredBytes, (std::vector<std::uint8_t>{'a', 'b', 'c'}));
    StateChunk noVersion;
    ASSERT_TRUE(parse("{\"authoredState\":{\"bytes\":\"YQ==\"}}", noVersion));
    EXPECT_EQ(noVersion.authoredVersion, 0u);
    StateChunk broken;
    ASSERT_TRUE(parse("{\"authoredState\":{\"v\":1,\"bytes\":\"Y Q=\"}}", broken));
    EXPECT_FALSE(broken.hasAuthoredState);
    StateChunk emptyBytes;
    ASSERT_TRUE(parse("{\"authoredState\":{\"v\":1,\"bytes\":\"\"}}", emptyBytes));
    EXPECT_FALSE(emptyBytes.hasAuthoredState);
    StateChunk badVersion;
    EXPECT_FALSE(parse("{\"authoredState\":{\"v\":true}}", badVersion));

    // One byte over the limit: ignored, document still valid.
    std::string big;
    std::vector<std::uint8_t> raw(kMaxAuthoredStateBytes + 1, 0x5a);
    big = writeStateJson(kDefaults, -1, nullptr, 0, 0, nullptr, nullptr,
                         &(const AuthoredStateOut&)AuthoredStateOut{raw.data(), raw.size(), 1});
    StateChunk tooBig;
    ASSERT_TRUE(parse(big, tooBig));
    EXPECT_FALSE(tooBig.hasAuthoredState);
    raw.pop_back();
    big = writeStateJson(kDefaults, -1, nullptr, 0, 0, nullptr, nullptr,
                         &(const AuthoredStateOut&)AuthoredStateOut{raw.data(), raw.size(), 1});
    StateChunk atLimit;
    ASSERT_TRUE(parse(big, atLimit));
    EXPECT_TRUE(atLimit.hasAuthoredState);
    EXPECT_EQ(atLimit.authoredBytes.size(), kMaxAuthoredStateBytes);
}

std::string bankDoc(const std::string& members) { return "{\"bank\":{" + members + "}}"; }

TEST(StateRead, BankReference) {
    StateChunk c;
    ASSERT_TRUE(parse(bankDoc("\"version\":9,\"id\":\"b1\",\"source\":\"user-folder\","
                              "\"bankVersion\":\"1.2\",\"sha256\":\"ff\",\"locator\":\"/l\","
                              "\"presetId\":\"p\",\"instrument\":\"i\",\"extra\":{}"),
                      c));
    EXPECT_TRUE(c.bank.present);
    EXPECT_STREQ(c.bank.id, "b1");
    EXPECT_STREQ(c.bank.source, "user-folder");
    EXPECT_STREQ(c.bank.bankVersion, "1.2");
    EXPECT_STREQ(c.bank.sha256, "ff");
    EXPECT_STREQ(c.bank.locator, "/l");
    EXPECT_TRUE(c.bank.hasLocator);
    EXPECT_STREQ(c.bank.presetId, "p");
    EXPECT_TRUE(c.bank.hasPresetId);
    EXPECT_STREQ(c.bank.instrument, "i");

    StateChunk id127, id128;
    ASSERT_TRUE(parse(bankDoc("\"id\":\"" + std::string(127, 'x') + "\""), id127));
    EXPECT_TRUE(id127.bank.present);
    EXPECT_EQ(std::strlen(id127.bank.id), 127u);
    ASSERT_TRUE(parse(bankDoc("\"id\":\"" + std::string(128, 'x') + "\""), id128));
    EXPECT_FALSE(id128.bank.present);
    EXPECT_STREQ(id128.bank.id, "");

    StateChunk longs;
    ASSERT_TRUE(parse(bankDoc("\"id\":\"b\",\"bankVersion\":\"" + std::string(32, 'v') +
                              "\",\"sha256\":\"" + std::string(65, 'h') + "\",\"locator\":\"" +
                              std::string(1024, 'l') + "\",\"presetId\":\"" + std::string(64, 'p') +
                              "\",\"instrument\":\"" + std::string(64, 'i') +
                              "\",\"source\":\"elsewhere\""),
                      longs));
    EXPECT_TRUE(longs.bank.present);
    EXPECT_STREQ(longs.bank.bankVersion, "");
    EXPECT_STREQ(longs.bank.sha256, "");
    EXPECT_STREQ(longs.bank.locator, "");
    EXPECT_FALSE(longs.bank.hasLocator);
    EXPECT_STREQ(longs.bank.presetId, "");
    EXPECT_FALSE(longs.bank.hasPresetId);
    EXPECT_STREQ(longs.bank.instrument, "");
    EXPECT_STREQ(longs.bank.source, "") << "unknown source names are not stored";

    StateChunk fits;
    ASSERT_TRUE(parse(bankDoc("\"id\":\"b\",\"bankVersion\":\"" + std::string(31, 'v') +
                              "\",\"sha256\":\"" + std::string(64, 'h') + "\",\"locator\":\"" +
                              std::string(1023, 'l') + "\",\"presetId\":\"" + std::string(63, 'p') +
                              "\",\"instrument\":\"" + std::string(63, 'i') + "\""),
                      fits));
    EXPECT_EQ(std::strlen(fits.bank.bankVersion), 31u);
    EXPECT_EQ(std::strlen(fits.bank.sha256), 64u);
    EXPECT_EQ(std::strlen(fits.bank.locator), 1023u);
    EXPECT_EQ(std::strlen(fits.bank.presetId), 63u);
    EXPECT_EQ(std::strlen(fits.bank.instrument), 63u);

    StateChunk noId;
    ASSERT_TRUE(parse(bankDoc("\"id\":5,\"source\":\"hosted\""), noId));
    EXPECT_FALSE(noId.bank.present);
    EXPECT_STREQ(noId.bank.source, "");
    StateChunk bad;
    EXPECT_FALSE(parse(bankDoc("\"id\":\"b\",\"source\""), bad));
}

TEST(StateRead, DocumentShapeAndNesting) {
    auto ok = [](const std::string& text) {
        StateChunk c;
        return parse(text, c);
    };
    EXPECT_TRUE(ok("{}"));
    EXPECT_TRUE(ok(" \t{}\r\n "));
    EXPECT_FALSE(ok("{},"));
    EXPECT_FALSE(ok("{}{}"));
    EXPECT_FALSE(ok("{\"a\":1,}"));
    EXPECT_FALSE(ok("[]"));
    EXPECT_FALSE(ok(""));
    EXPECT_FALSE(ok("{}\f"));
    // Unknown members nest down to level 32.
    EXPECT_TRUE(ok("{\"x\":" + std::string(32, '[') + std::string(32, ']') + "}"));
    EXPECT_FALSE(ok("{\"x\":" + std::string(33, '[') + std::string(33, ']') + "}"));
    // Never reads past the length: the same text cut short must fail, not see the rest.
    const std::string doc = "{\"variation\":12}";
    StateChunk c;
    EXPECT_FALSE(parseStateJson(doc.data(), doc.size() - 1, c));
    StateChunk d;
    EXPECT_FALSE(parseStateJson("{\"variation\":12}", 14, d));
}

TEST(StateRead, CcMapMember) {
    StateChunk c;
    ASSERT_TRUE(parse("{\"ccMap\":{\"version\":2,\"bindings\":[{\"cc\":7,\"path\":\"master.level\"}]}}", c));
    EXPECT_TRUE(c.hasCcMap);
    ASSERT_EQ(c.ccMap.count, 1u);
    EXPECT_EQ(c.ccMap.bindings[0].paramId, 9u);
    StateChunk arr;
    ASSERT_TRUE(parse("{\"ccMap\":[]}", arr));
    EXPECT_TRUE(arr.hasCcMap);
    StateChunk none;
    ASSERT_TRUE(parse("{\"ccMap\":null,\"ccMap\":{\"version\":1}}", none));
    EXPECT_FALSE(none.hasCcMap);
    StateChunk bad;
    EXPECT_FALSE(parse("{\"ccMap\":[{\"cc\":1,\"path\":3}]}", bad));
}

// ---- round trips of random records ----

std::string randomText(std::mt19937_64& rng, std::size_t maxLength) {
    const std::string alphabet = "abcXYZ019-_./\"\\ \t\n\x01\xc3\xa9{}[]:,";
    std::string s;
    std::size_t n = rng() % (maxLength + 1);
    for (std::size_t i = 0; i < n; ++i) s.push_back(alphabet[rng() % alphabet.size()]);
    return s;
}

template <std::size_t N>
void setText(char (&field)[N], const std::string& text) {
    std::snprintf(field, N, "%s", text.c_str());
}

double randomDouble(std::mt19937_64& rng) {
    switch (rng() % 4) {
        case 0: return static_cast<double>(rng() % 5);
        case 1: return std::uniform_real_distribution<double>(-10, 10)(rng);
        case 2: {
            double v;
            do {
                std::uint64_t b = rng();
                std::memcpy(&v, &b, sizeof v);
            } while (!std::isfinite(v));
            return v;
        }
        default: return -0.0;
    }
}

StateChunk randomChunk(std::mt19937_64& rng) {
    StateChunk c;
    for (std::uint32_t i = 0; i < VELMO_PARAM_COUNT; ++i) {
        c.params[i] = randomDouble(rng);
        c.paramPresent[i] = true;
    }
    if (rng() % 2) c.variation = static_cast<std::int32_t>(rng() % 100000);
    if (rng() % 2) {
        c.hasCcMap = true;
        c.ccMap.count = static_cast<std::uint32_t>(rng() % (kCcMapCapacity + 1));
        for (std::uint32_t i = 0; i < c.ccMap.count; ++i) {
            CcBinding& b = c.ccMap.bindings[i];
            b.paramId = static_cast<std::uint32_t>(rng() % VELMO_PARAM_COUNT);
            b.cc = static_cast<std::uint8_t>(rng() % 128);
            b.channel = static_cast<std::uint8_t>(rng() % 17);
            b.curve = static_cast<std::uint8_t>(rng() % 4);
            b.valueMode = static_cast<std::uint8_t>(rng() % 5);
            b.takeover = static_cast<std::uint8_t>(rng() % 3);
            b.enabled = rng() % 2;
            b.hasMin = rng() % 2;
            b.hasMax = rng() % 2;
            if (b.hasMin) b.minValue = randomDouble(rng);
            if (b.hasMax) b.maxValue = randomDouble(rng);
        }
    }
    if (rng() % 2) {
        c.samplerAssetFault = 0x53410001 + static_cast<std::uint32_t>(rng() % 5);
        c.hasSamplerAssetFault = true;
    }
    if (rng() % 2) {
        c.samplerZoneProgram = 1 + static_cast<std::uint32_t>(rng() % 7);
        c.hasSamplerZoneProgram = true;
    }
    if (rng() % 2) {
        c.hasPadOverrides = true;
        for (int i = static_cast<int>(rng() % 5); i >= 0; --i) {
            SamplerPadOverride p;
            p.padId = "pad" + std::to_string(i) + randomText(rng, 6);
            p.fields = kPadPan | kPadChokeGroup;
            p.pan = std::uniform_real_distribution<double>(-1, 1)(rng);
            p.chokeGroup = static_cast<double>(rng() % 9);
            c.padOverrides.push_back(p);
        }
    }
    if (rng() % 2) {
        c.hasAuthoredState = true;
        c.authoredVersion = static_cast<std::uint32_t>(rng());
        c.authoredBytes.resize(1 + rng() % 100);
        for (auto& b : c.authoredBytes) b = static_cast<std::uint8_t>(rng());
    }
    if (rng() % 2) {
        BankStateRef& b = c.bank;
        b.present = true;
        setText(b.id, "id" + randomText(rng, 125));
        setText(b.bankVersion, randomText(rng, 31));
        setText(b.sha256, randomText(rng, 64));
        const char* sources[] = {"embedded", "module-relative", "user-folder", "hosted"};
        setText(b.source, sources[rng() % 4]);
        setText(b.instrument, randomText(rng, 63));
        setText(b.presetId, randomText(rng, 63));
        b.hasPresetId = b.presetId[0] != '\0';
        setText(b.locator, randomText(rng, 1023));
        b.hasLocator = b.locator[0] != '\0';
    }
    return c;
}

using test::writeChunk;

void expectEqualChunks(const StateChunk& a, const StateChunk& b) {
    for (std::uint32_t i = 0; i < VELMO_PARAM_COUNT; ++i) {
        EXPECT_EQ(a.paramPresent[i], b.paramPresent[i]) << i;
        EXPECT_EQ(std::memcmp(&a.params[i], &b.params[i], sizeof(double)), 0) << i;
    }
    EXPECT_EQ(a.variation, b.variation);
    EXPECT_EQ(a.hasCcMap, b.hasCcMap);
    EXPECT_TRUE(ccMapsEqual(a.ccMap, b.ccMap));
    EXPECT_EQ(a.samplerAssetFault, b.samplerAssetFault);
    EXPECT_EQ(a.hasSamplerAssetFault, b.hasSamplerAssetFault);
    EXPECT_EQ(a.samplerZoneProgram, b.samplerZoneProgram);
    EXPECT_EQ(a.hasSamplerZoneProgram, b.hasSamplerZoneProgram);
    EXPECT_EQ(a.padOverrides, b.padOverrides);
    EXPECT_EQ(a.hasPadOverrides, b.hasPadOverrides);
    EXPECT_EQ(a.authoredBytes, b.authoredBytes);
    EXPECT_EQ(a.authoredVersion, b.authoredVersion);
    EXPECT_EQ(a.hasAuthoredState, b.hasAuthoredState);
    EXPECT_EQ(a.bank.present, b.bank.present);
    EXPECT_STREQ(a.bank.id, b.bank.id);
    EXPECT_STREQ(a.bank.bankVersion, b.bank.bankVersion);
    EXPECT_STREQ(a.bank.sha256, b.bank.sha256);
    EXPECT_STREQ(a.bank.source, b.bank.source);
    EXPECT_STREQ(a.bank.presetId, b.bank.presetId);
    EXPECT_STREQ(a.bank.instrument, b.bank.instrument);
    EXPECT_STREQ(a.bank.locator, b.bank.locator);
    EXPECT_EQ(a.bank.hasLocator, b.bank.hasLocator);
    EXPECT_EQ(a.bank.hasPresetId, b.bank.hasPresetId);
}

TEST(StateRoundTrip, RandomChunksReadBackEqual) {
    std::mt19937_64 rng(0x57a7e);
    for (int round = 0; round < 1000; ++round) {
        StateChunk original = randomChunk(rng);
        std::string text = writeChunk(original);
        StateChunk back;
        ASSERT_TRUE(parse(text, back)) << text;
        expectEqualChunks(original, back);
        if (HasFailure()) {
            ADD_FAILURE() << "round " << round << ": " << text;
            return;
        }
    }
}

}  // namespace
}  // namespace velmo
