// Bridge message parser: member handling, refusals, feed bits and diagnostic request types.
#include "docs/bridge_message.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace velmo {
namespace {

// Parses from an exact-size heap copy: bridge texts come as (pointer, length) from outside.
bool parse(const std::string& text, BridgeMessage& m) {
    std::unique_ptr<char[]> exact(new char[text.size() ? text.size() : 1]);
    std::memcpy(exact.get(), text.data(), text.size());
    return parseBridgeMessage(exact.get(), text.size(), m);
}

bool accepts(const std::string& text) {
    auto m = std::make_unique<BridgeMessage>();
    return parse(text, *m);
}

TEST(BridgeMessage, ReadsKnownMembersAnywhere) {
    auto m = std::make_unique<BridgeMessage>();
    ASSERT_TRUE(parse(" {\"value\":0.25,\"junk\":{\"a\":[1,{}]},\"type\":\"velmo.setParam\","
                      "\"path\":\"ir.size\",\"id\":\"i\",\"source\":\"s\",\"bankPath\":\"/b\","
                      "\"url\":\"https://x\",\"sha256\":\"ab\",\"instrument\":\"in\\u00e9\","
                      "\"note\":60,\"velocity\":0.5,\"hz\":30} ",
                      *m));
    EXPECT_EQ(m->type, "velmo.setParam");
    EXPECT_EQ(m->path, "ir.size");
    EXPECT_EQ(m->id, "i");
    EXPECT_EQ(m->source, "s");
    EXPECT_EQ(m->bankPath, "/b");
    EXPECT_EQ(m->url, "https://x");
    EXPECT_EQ(m->sha256, "ab");
    EXPECT_EQ(m->instrument, "in?") << "the pull reader turns \\u escapes into '?'";
    EXPECT_TRUE(m->hasValue);
    EXPECT_EQ(m->value, 0.25);
    EXPECT_EQ(m->note, 60.0);
    EXPECT_EQ(m->velocity, 0.5);
    EXPECT_EQ(m->hz, 30.0);
    EXPECT_EQ(m->diagRequest, kDiagRequestNone);

    auto twice = std::make_unique<BridgeMessage>();
    ASSERT_TRUE(parse("{\"type\":\"a\",\"type\":\"b\",\"value\":1,\"value\":2}", *twice));
    EXPECT_EQ(twice->type, "b");
    EXPECT_EQ(twice->value, 2.0);
}

TEST(BridgeMessage, EmptyObjectAndTrailingText) {
    auto m = std::make_unique<BridgeMessage>();
    ASSERT_TRUE(parse(" { } \n", *m));
    EXPECT_TRUE(m->type.empty());
    EXPECT_FALSE(m->hasValue);
    for (const char* bad : {"{} x", "{}{}", "", "[]", "{", "{\"type\"}", "{\"type\":\"a\",}",
                            "{\"type\":\"a\" \"path\":\"b\"}", "{\"type\":1}", "{\"value\":\"1\"}",
                            "{\"note\":null}", "{\"hz\":true}", "{type:\"a\"}", "{\"a\":1}\f"})
        EXPECT_FALSE(accepts(bad)) << bad;
}

TEST(BridgeMessage, ValueAbsentLeavesHasValueFalse) {
    auto m = std::make_unique<BridgeMessage>();
    ASSERT_TRUE(parse("{\"type\":\"velmo.beginEdit\",\"path\":\"ir.size\"}", *m));
    EXPECT_FALSE(m->hasValue);
}

TEST(BridgeMessage, DiagnosticFeedsAndRequests) {
    EXPECT_EQ(diagnosticFeedBit("host"), 1u);
    EXPECT_EQ(diagnosticFeedBit("clock"), 1024u);
    EXPECT_EQ(diagnosticFeedBit("Host"), 0u);
    std::uint32_t all = 0;
    for (const char* n : {"host", "transport", "midiIn", "midiOut", "meters", "scope", "lifecycle",
                          "counters", "params", "presets", "clock"})
        all |= diagnosticFeedBit(n);
    EXPECT_EQ(all, 2047u);

    auto m = std::make_unique<BridgeMessage>();
    ASSERT_TRUE(parse("{\"type\":\"velmo.diag.subscribe\",\"feeds\":[\"host\",\"scope\",\"nope\"],"
                      "\"feeds\":[\"clock\"],\"hz\":10}",
                      *m));
    EXPECT_EQ(m->feeds, 33u | 1024u) << "bits accumulate over repeated members";
    EXPECT_EQ(m->diagRequest, kDiagRequestSubscribe);

    auto s = std::make_unique<BridgeMessage>();
    ASSERT_TRUE(parse("{\"feeds\":\"host\",\"type\":\"velmo.diag.unsubscribe\",\"feeds\":[]}", *s));
    EXPECT_EQ(s->feeds, 0u);
    EXPECT_EQ(s->diagRequest, kDiagRequestUnsubscribe);
    EXPECT_FALSE(accepts("{\"feeds\":[\"host\",1]}"));
    EXPECT_FALSE(accepts("{\"feeds\":[\"host\" \"scope\"]}"));
    EXPECT_FALSE(accepts("{\"feeds\":[\"host\",]}"));

    auto st = std::make_unique<BridgeMessage>();
    ASSERT_TRUE(parse("{\"type\":\"velmo.diag.stimulus\",\"stimulus\":{\"x\":[1],\"kind\":\"note\"}}",
                      *st));
    EXPECT_EQ(st->stimulusKind, "note");
    EXPECT_EQ(st->diagRequest, kDiagRequestStimulus);
    EXPECT_TRUE(accepts("{\"stimulus\":{}}"));
    EXPECT_TRUE(accepts("{\"stimulus\":\"note\"}"));
    EXPECT_FALSE(accepts("{\"stimulus\":{\"kind\":1}}"));
    EXPECT_FALSE(accepts("{\"stimulus\":{\"kind\":\"a\",}}"));
    EXPECT_FALSE(accepts("{\"type\":\"velmo.diag.subscribe\",\"feeds\":[}"));
}

TEST(BridgeMessage, EmbeddedDocuments) {
    auto m = std::make_unique<BridgeMessage>();
    ASSERT_TRUE(parse("{\"type\":\"velmo.setState\",\"state\":{\"params\":{\"ir.size\":1.5},"
                      "\"variation\":4,\"bank\":{\"id\":\"b\"}},\"map\":[{\"cc\":1,\"path\":\"ir.size\"}],"
                      "\"pads\":{\"k\":{\"gain\":2}}}",
                      *m));
    EXPECT_TRUE(m->hasState);
    EXPECT_TRUE(m->state.paramPresent[6]);
    EXPECT_EQ(m->state.params[6], 1.5);
    EXPECT_EQ(m->state.variation, 4);
    EXPECT_TRUE(m->state.bank.present);
    EXPECT_TRUE(m->hasMap);
    EXPECT_EQ(m->map.count, 1u);
    EXPECT_TRUE(m->hasPads);
    ASSERT_EQ(m->pads.size(), 1u);

    auto skipped = std::make_unique<BridgeMessage>();
    ASSERT_TRUE(parse("{\"state\":null,\"map\":\"x\",\"pads\":[1]}", *skipped));
    EXPECT_FALSE(skipped->hasState);
    EXPECT_FALSE(skipped->hasMap);
    EXPECT_FALSE(skipped->hasPads);

    auto noList = std::make_unique<BridgeMessage>();
    ASSERT_TRUE(parse("{\"map\":{\"version\":1}}", *noList));
    EXPECT_FALSE(noList->hasMap);

    EXPECT_FALSE(accepts("{\"state\":{\"variation\":\"2\"}}"));
    EXPECT_FALSE(accepts("{\"map\":[{\"path\":7}]}"));
    EXPECT_FALSE(accepts("{\"pads\":{\"k\":{\"gain\" 2}}}"));

    auto twice = std::make_unique<BridgeMessage>();
    ASSERT_TRUE(parse("{\"pads\":{\"a\":{\"gain\":2}},\"pads\":{\"b\":{\"gain\":3}}}", *twice));
    ASSERT_EQ(twice->pads.size(), 1u) << "a repeated member replaces the earlier set";
    EXPECT_EQ(twice->pads[0].padId, "b");
}

TEST(BridgeMessage, NestingLimitOfSkippedMembers) {
    EXPECT_TRUE(accepts("{\"x\":" + std::string(32, '[') + std::string(32, ']') + "}"));
    EXPECT_FALSE(accepts("{\"x\":" + std::string(33, '[') + std::string(33, ']') + "}"));
    EXPECT_FALSE(accepts("{\"x\":" + std::string(1000, '[')));
}

TEST(BridgeMessage, NeverReadsPastTheLength) {
    // The text continues in memory, but the given length ends inside a number / a string.
    const std::string full = "{\"value\":12}";
    auto m = std::make_unique<BridgeMessage>();
    EXPECT_FALSE(parseBridgeMessage(full.data(), 11, *m));
    auto n = std::make_unique<BridgeMessage>();
    EXPECT_FALSE(parseBridgeMessage(full.data(), 10, *n));
    // Every prefix of a valid message is refused without touching bytes beyond it.
    const std::string msg = "{\"type\":\"velmo.setParam\",\"path\":\"ir.size\",\"value\":0.5e1}";
    for (std::size_t len = 0; len < msg.size(); ++len)
        EXPECT_FALSE(accepts(msg.substr(0, len))) << len;
    EXPECT_TRUE(accepts(msg));
}

}  // namespace
}  // namespace velmo
