#include <Effect/AudioEqualizer.h>
#include <Effect/ManualEnhance.h>
#include <Serialize/Cloner.h>
#include <gtest/gtest.h>

namespace {

template <class T>
T* cloneOf(const T* source, Serialize::ObjectStorage& storage)
{
    return dynamic_cast<T*>(Serialize::Cloner().cloneImpl(source, storage));
}

// Every setting of source set apart from its default and from every other.
template <class E>
void expectCloneHasEverySetting(E source)
{
    source.id = "{preset}";
    source.secondaryId = "second";
    double value = 0.25;
    for (const auto& parameter : E::parameters())
        ASSERT_TRUE(source.setParameter(parameter.key, value += 0.5)) << parameter.key;
    Serialize::ObjectStorage storage;
    const E* copy = cloneOf(&source, storage);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->id, "{preset}");
    EXPECT_EQ(copy->secondaryId, "second");
    for (const auto& parameter : E::parameters())
        EXPECT_EQ(copy->parameter(parameter.key), source.parameter(parameter.key)) << parameter.key;
    EXPECT_EQ(storage.size(), 1u);
}

TEST(Cloner, CopiesEveryEffectSettingIntoTheStorage)
{
    expectCloneHasEverySetting(Effect::AudioEqualizer());
    expectCloneHasEverySetting(Effect::ManualEnhance());
}

// Under the leak and address sanitizers, a leak or a double delete fails the run.
TEST(Cloner, StorageDeletesItsCopiesOnceUnlessReleasedAndNullStoresNothing)
{
    std::unique_ptr<Effect::AudioEqualizer> kept;
    {
        Effect::AudioEqualizer source;
        source.preamp = 4;
        Serialize::ObjectStorage storage;
        EXPECT_EQ(cloneOf<Effect::AudioEqualizer>(nullptr, storage), nullptr);
        EXPECT_EQ(storage.size(), 0u);
        kept.reset(cloneOf(&source, storage));
        storage.releaseAll();
        EXPECT_EQ(storage.size(), 0u);
        cloneOf(&source, storage);
        EXPECT_EQ(Serialize::ObjectStorage(std::move(storage)).size(), 1u);
    }
    EXPECT_EQ(kept->preamp, 4);
}

} // namespace
