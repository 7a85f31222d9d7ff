#include <Effect/AudioEqualizer.h>
#include <Effect/ManualEnhance.h>
#include <Serialize/Cloner.h>
#include <gtest/gtest.h>

namespace {

// Every setting set apart from its default and from every other. The storage, moved
// once, frees the copy once: a leak or a double delete fails the sanitizer build.
template <class E>
void expectCloneHasEverySetting()
{
    E source;
    source.id = "{preset}";
    source.secondaryId = "second";
    double value = 0.25;
    for (const auto& parameter : E::parameters())
        ASSERT_TRUE(source.setParameter(parameter.key, value += 0.5)) << parameter.key;
    Serialize::ObjectStorage storage;
    const auto* copy = dynamic_cast<const E*>(Serialize::Cloner().cloneImpl(&source, storage));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->id, "{preset}");
    EXPECT_EQ(copy->secondaryId, "second");
    for (const auto& parameter : E::parameters())
        EXPECT_EQ(copy->parameter(parameter.key), source.parameter(parameter.key)) << parameter.key;
    EXPECT_EQ(Serialize::ObjectStorage(std::move(storage)).size(), 1u);
}

TEST(Cloner, CopiesEveryEffectSettingIntoAStorageThatFreesItOnce)
{
    expectCloneHasEverySetting<Effect::AudioEqualizer>();
    expectCloneHasEverySetting<Effect::ManualEnhance>();
}

} // namespace
