#include <Effect/AudioEqualizer.h>
#include <Effect/ManualEnhance.h>
#include <Serialize/Archive.h>
#include <Serialize/Cloner.h>
#include <gtest/gtest.h>

namespace {

template <class T>
T* cloneOf(const T& source, Serialize::ObjectStorage& storage)
{
    Serialize::Cloner cloner;
    return dynamic_cast<T*>(cloner.cloneImpl(&source, storage));
}

TEST(Cloner, CopiesEveryEqualizerSetting)
{
    Effect::AudioEqualizer source;
    source.id = "{preset}";
    source.secondaryId = "second";
    source.preamp = 1.25;
    for (int band = 0; band < Effect::AudioEqualizer::BandCount; ++band)
        source.bandGains[std::size_t(band)] = band - 5.5;

    Serialize::ObjectStorage storage;
    const Effect::AudioEqualizer* copy = cloneOf(source, storage);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, &source);
    EXPECT_EQ(copy->id, source.id);
    EXPECT_EQ(copy->secondaryId, source.secondaryId);
    EXPECT_EQ(copy->preamp, source.preamp);
    EXPECT_EQ(copy->bandGains, source.bandGains);
    EXPECT_EQ(storage.size(), 1u);
}

TEST(Cloner, CopiesEveryEnhancementSetting)
{
    Effect::ManualEnhance source;
    source.id = "{preset}";
    source.brightness = -10;
    source.contrast = 20;
    source.saturation = -30;
    source.hue = 170;
    source.gamma = 0.25;
    source.temperature = 99.5;

    Serialize::ObjectStorage storage;
    const Effect::ManualEnhance* copy = cloneOf(source, storage);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, &source);
    EXPECT_EQ(copy->id, source.id);
    for (const auto& parameter : Effect::ManualEnhance::parameters())
        EXPECT_EQ(copy->parameter(parameter.key), source.parameter(parameter.key)) << parameter.key;
}

TEST(Cloner, NullGivesNullAndStoresNothing)
{
    Serialize::ObjectStorage storage;
    EXPECT_EQ(Serialize::Cloner().cloneImpl(nullptr, storage), nullptr);
    EXPECT_EQ(storage.size(), 0u);
}

TEST(Cloner, ReleasedCopiesOutliveTheStorage)
{
    std::unique_ptr<Effect::AudioEqualizer> kept;
    {
        Effect::AudioEqualizer source;
        source.preamp = 4;
        Serialize::ObjectStorage storage;
        kept.reset(cloneOf(source, storage));
        storage.releaseAll();
        EXPECT_EQ(storage.size(), 0u);
    }
    // Under the leak and address sanitizers, a double delete or a leak here fails the run.
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->preamp, 4);
}

TEST(Cloner, StorageMovesItsObjects)
{
    Effect::ManualEnhance source;
    Serialize::ObjectStorage storage;
    cloneOf(source, storage);
    Serialize::ObjectStorage moved(std::move(storage));
    EXPECT_EQ(moved.size(), 1u);
}

} // namespace
