// The documents under a comma-decimal process locale, and the allocations their readers make.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "comma_locale.h"
#include "docs/bridge_message.h"
#include "docs/pad_overrides.h"
#include "docs/state_json.h"
#include "realtime_guard.h"

namespace velmo {
namespace {

using DocumentsUnderCommaLocale = test::CommaLocale;

TEST_F(DocumentsUnderCommaLocale, StateWritesAndReadsPointDecimals) {
    const double params[VELMO_PARAM_COUNT] = {1, 0.15, 0.62, 0.12, 1.35, 1, 1.25, 0.5, 0.02, 0.78};
    SamplerPadOverride pad;
    pad.padId = "p";
    pad.fields = kPadFineTune;
    pad.fineTune = -12.5;
    SamplerPadOverrides pads{pad};
    std::string text = writeStateJson(params, 1, nullptr, 0, 0, nullptr, &pads, nullptr);
    EXPECT_NE(text.find("\"strike.position\":0.15,"), std::string::npos) << text;
    EXPECT_NE(text.find("\"fineTune\":-12.5}"), std::string::npos) << text;
    EXPECT_EQ(text.find("0,15"), std::string::npos) << text;

    StateChunk chunk;
    ASSERT_TRUE(parseStateJson(text.data(), text.size(), chunk));
    for (std::uint32_t i = 0; i < VELMO_PARAM_COUNT; ++i) EXPECT_EQ(chunk.params[i], params[i]) << i;
    ASSERT_EQ(chunk.padOverrides.size(), 1u);
    EXPECT_EQ(chunk.padOverrides[0].fineTune, -12.5);
}

TEST_F(DocumentsUnderCommaLocale, BridgeValuesReadWithPointDecimals) {
    auto m = std::make_unique<BridgeMessage>();
    const std::string text = "{\"type\":\"velmo.setParam\",\"value\":0.5,\"hz\":2.5e1}";
    ASSERT_TRUE(parseBridgeMessage(text.data(), text.size(), *m));
    EXPECT_EQ(m->value, 0.5);
    EXPECT_EQ(m->hz, 25.0);
    auto comma = std::make_unique<BridgeMessage>();
    EXPECT_FALSE(parseBridgeMessage("{\"value\":0,5}", 13, *comma))
        << "0,5 is a number followed by a stray member";
}

TEST(DocumentAllocations, ReadersAllocateOnlyWhatTheyFill) {
    // Short texts fit the strings' own storage, so a typical page message and a parameter-only
    // state allocate nothing at all: no copy of the text, no hidden buffers.
    auto message = std::make_unique<BridgeMessage>();
    const std::string setParam =
        "{\"type\":\"velmo.setParam\",\"path\":\"ir.size\",\"value\":0.5,"
        "\"unknown\":[{\"deep\":[1,2,{\"x\":\"y\"}]}]}";
    const double params[VELMO_PARAM_COUNT] = {};
    const std::string state = writeStateJson(params, 3, nullptr, 0, 0, nullptr, nullptr, nullptr);
    StateChunk chunk;
    {
        test::RealtimeGuard guard;
        ASSERT_TRUE(parseBridgeMessage(setParam.data(), setParam.size(), *message));
        ASSERT_TRUE(parseStateJson(state.data(), state.size(), chunk));
        EXPECT_EQ(guard.allocations(), 0u);
    }
}

}  // namespace
}  // namespace velmo
