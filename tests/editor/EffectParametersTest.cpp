#include <Effect/AudioEqualizer.h>
#include <Effect/ManualEnhance.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

template <class E>
class EffectParameters : public testing::Test {
};

using Effects = testing::Types<Effect::AudioEqualizer, Effect::ManualEnhance>;
TYPED_TEST_SUITE(EffectParameters, Effects);

TYPED_TEST(EffectParameters, FreshEffectHoldsTheDefaults)
{
    const TypeParam effect;
    for (const Effect::ParameterInfo& info : TypeParam::parameters())
        EXPECT_EQ(effect.parameter(info.key), info.defaultValue) << info.key;
}

TYPED_TEST(EffectParameters, AcceptsTheBoundsAndRefusesBeyondThemAndUnknownKeys)
{
    TypeParam effect;
    for (const Effect::ParameterInfo& info : TypeParam::parameters()) {
        EXPECT_TRUE(effect.setParameter(info.key, info.minimum)) << info.key;
        EXPECT_TRUE(effect.setParameter(info.key, info.maximum)) << info.key;
        EXPECT_FALSE(effect.setParameter(info.key, info.maximum + 0.001)) << info.key;
        EXPECT_FALSE(effect.setParameter(info.key, info.minimum - 0.001)) << info.key;
        EXPECT_FALSE(effect.setParameter(info.key, std::nan(""))) << info.key;
        EXPECT_EQ(effect.parameter(info.key), info.maximum) << info.key; // refusals changed nothing
    }
    EXPECT_FALSE(effect.setParameter("volume", 0.0));
    EXPECT_EQ(effect.parameter("volume"), std::nullopt);
}

TEST(EffectParameters, EachKeySetsItsOwnMember)
{
    Effect::AudioEqualizer equalizer;
    ASSERT_TRUE(equalizer.setParameter("band1", 3.0));
    ASSERT_TRUE(equalizer.setParameter("band10", -6.0));
    ASSERT_TRUE(equalizer.setParameter("preamp", 1.5));
    EXPECT_EQ(equalizer.bandGains.front(), 3.0);
    EXPECT_EQ(equalizer.bandGains.back(), -6.0);
    EXPECT_EQ(equalizer.preamp, 1.5);
    EXPECT_FALSE(equalizer.setParameter("band0", 0.0));
    EXPECT_FALSE(equalizer.setParameter("band11", 0.0));

    using E = Effect::ManualEnhance;
    E enhance;
    const std::pair<const char*, double E::*> members[]
        = { { "brightness", &E::brightness }, { "contrast", &E::contrast }, { "saturation", &E::saturation },
              { "hue", &E::hue }, { "gamma", &E::gamma }, { "temperature", &E::temperature } };
    double value = 2;
    for (const auto& [key, member] : members) {
        ASSERT_TRUE(enhance.setParameter(key, ++value)) << key;
        EXPECT_EQ(enhance.*member, value) << key;
    }
}

} // namespace
