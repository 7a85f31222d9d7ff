#include <Effect/AudioEqualizer.h>
#include <Effect/ManualEnhance.h>
#include <Serialize/Archive.h>
#include <Serialize/Cloner.h>
#include <gtest/gtest.h>

namespace {

template <class T>
T* cloneOf(const T& source, Serialize::ObjectStorage& storage)
{
    return dynamic_cast<T*>(Serialize::Cloner().cloneImpl(&source, storage));
}

template <class E>
void expectCloneHasEverySetting(const E& source)
{
    Serialize::ObjectStorage storage;
    const E* copy = cloneOf(source, storage);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, &source);
    EXPECT_EQ(copy->id, source.id);
    EXPECT_EQ(copy->secondaryId, source.secondaryId);
    for (const auto& parameter : E::parameters())
        EXPECT_EQ(copy->parameter(parameter.key), source.parameter(parameter.key)) << parameter.key;
    EXPECT_EQ(storage.size(), 1u);
}

TEST(Cloner, CopiesEveryEffectSetting)
{
    Effect::AudioEqualizer equalizer;
    equalizer.id = "{preset}";
    equalizer.secondaryId = "second";
    equalizer.preamp = 1.25;
    for (std::size_t band = 0; band < equalizer.bandGains.size(); ++band)
        equalizer.bandGains[band] = double(band) - 5.5;
    expectCloneHasEverySetting(equalizer);

    Effect::ManualEnhance enhance;
    enhance.id = "{enhance}";
    enhance.brightness = -10;
    enhance.contrast = 20;
    enhance.saturation = -30;
    enhance.hue = 170;
    enhance.gamma = 0.25;
    enhance.temperature = 99.5;
    expectCloneHasEverySetting(enhance);
}

TEST(Cloner, NullGivesNullAndStoresNothing)
{
    Serialize::ObjectStorage storage;
    EXPECT_EQ(Serialize::Cloner().cloneImpl(nullptr, storage), nullptr);
    EXPECT_EQ(storage.size(), 0u);
}

TEST(Cloner, StorageDeletesItsCopiesOnceUnlessReleased)
{
    std::unique_ptr<Effect::AudioEqualizer> kept;
    {
        Effect::AudioEqualizer source;
        source.preamp = 4;
        Serialize::ObjectStorage storage;
        kept.reset(cloneOf(source, storage));
        storage.releaseAll();
        EXPECT_EQ(storage.size(), 0u);
        cloneOf(source, storage);
        const Serialize::ObjectStorage moved(std::move(storage));
        EXPECT_EQ(moved.size(), 1u);
    }
    // Under the leak and address sanitizers, a leak or a double delete above fails the run.
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->preamp, 4);
}

} // namespace
