#include <Effect/AudioEqualizer.h>
#include <Effect/ManualEnhance.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// Every setting as the effects' users know it: its range and its value in a fresh effect.
struct Setting {
    const char* key;
    double minimum, maximum, fresh;
};

template <class E>
void expectSettings(std::initializer_list<Setting> settings)
{
    ASSERT_EQ(E::parameters().size(), settings.size());
    E effect;
    for (const Setting& s : settings) {
        EXPECT_EQ(effect.parameter(s.key), s.fresh) << s.key;
        EXPECT_TRUE(effect.setParameter(s.key, s.minimum)) << s.key;
        EXPECT_EQ(effect.parameter(s.key), s.minimum) << s.key;
        EXPECT_TRUE(effect.setParameter(s.key, s.maximum)) << s.key;
        EXPECT_FALSE(effect.setParameter(s.key, s.maximum + 0.001)) << s.key;
        EXPECT_FALSE(effect.setParameter(s.key, s.minimum - 0.001)) << s.key;
        EXPECT_FALSE(effect.setParameter(s.key, std::nan(""))) << s.key;
        EXPECT_EQ(effect.parameter(s.key), s.maximum) << s.key; // refusals changed nothing
    }
    EXPECT_FALSE(effect.setParameter("volume", 0.0));
    EXPECT_EQ(effect.parameter("volume"), std::nullopt);
}

TEST(EffectParameters, EachSettingHasItsRangeAndFreshValue)
{
    expectSettings<Effect::AudioEqualizer>({ { "preamp", -12, 12, 0 }, { "band1", -12, 12, 0 },
        { "band2", -12, 12, 0 }, { "band3", -12, 12, 0 }, { "band4", -12, 12, 0 }, { "band5", -12, 12, 0 },
        { "band6", -12, 12, 0 }, { "band7", -12, 12, 0 }, { "band8", -12, 12, 0 }, { "band9", -12, 12, 0 },
        { "band10", -12, 12, 0 } });
    expectSettings<Effect::ManualEnhance>(
        { { "brightness", -100, 100, 0 }, { "contrast", -100, 100, 0 }, { "saturation", -100, 100, 0 },
            { "hue", -180, 180, 0 }, { "gamma", 0.1, 10, 1 }, { "temperature", -100, 100, 0 } });
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
