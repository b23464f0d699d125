// Publishing sampler pad overrides: validation keeps the current set, retired sets are
// released unless the audio side still reads them.
#include <gtest/gtest.h>

#include "engine/kernel_engine.h"
#include "fake_kernel.h"

namespace velmo {
namespace {

SamplerPadOverride pad(const std::string& id, uint32_t fields) {
    SamplerPadOverride o;
    o.padId = id;
    o.fields = fields;
    o.gain = 0.5;
    return o;
}

TEST(PadOverrides, InvalidSetsAreRefusedAndTheCurrentSetKept) {
    KernelEngine engine(test::fakeKernelModule());
    EXPECT_TRUE(engine.samplerPadOverrides().empty());
    const SamplerPadOverrides good{pad("kick", kPadGain), pad(std::string(160, 'p'), kPadPan)};
    ASSERT_TRUE(engine.publishSamplerPadOverrides(good));
    EXPECT_EQ(engine.samplerPadOverrides(), good);

    EXPECT_FALSE(engine.publishSamplerPadOverrides({pad("", kPadGain)}));
    EXPECT_FALSE(engine.publishSamplerPadOverrides({pad(std::string(161, 'p'), kPadGain)}));
    EXPECT_FALSE(engine.publishSamplerPadOverrides({pad("snare", 0)}));
    SamplerPadOverrides tooMany;
    for (int i = 0; i < 257; ++i) tooMany.push_back(pad(std::to_string(i) + "p", kPadGain));
    EXPECT_FALSE(engine.publishSamplerPadOverrides(tooMany));
    EXPECT_EQ(engine.samplerPadOverrides(), good);

    tooMany.pop_back();
    EXPECT_TRUE(engine.publishSamplerPadOverrides(tooMany));
    EXPECT_EQ(engine.samplerPadOverrides().size(), 256u);
    EXPECT_TRUE(engine.publishSamplerPadOverrides({}));  // an empty set clears
    EXPECT_TRUE(engine.samplerPadOverrides().empty());
}

TEST(PadOverrides, RetiredSetsLiveOnlyWhileTheAudioSideReadsThem) {
    PadOverridePublisher publisher;
    ASSERT_TRUE(publisher.publish({pad("a", kPadGain)}));
    const SamplerPadOverrides* first = publisher.published();
    ASSERT_NE(first, nullptr);
    publisher.markAudioReading(first);
    ASSERT_TRUE(publisher.publish({pad("b", kPadGain)}));
    EXPECT_EQ(publisher.retiredCount(), 1u);
    EXPECT_EQ((*first)[0].padId, "a");  // still alive for the reader
    EXPECT_EQ((*publisher.published())[0].padId, "b");
    publisher.markAudioReading(publisher.published());
    ASSERT_TRUE(publisher.publish({pad("c", kPadGain)}));
    EXPECT_EQ(publisher.retiredCount(), 1u);  // "a" released, "b" kept
    EXPECT_EQ(publisher.velocitySensitivity(60), 1.0f);
}

}  // namespace
}  // namespace velmo
