// The user effect presets end to end: real files below a temporary data root,
// written and read by the persistence service, registered with the collection service.
// Saving and listing presets of both types with their settings is the host's test.

#include <ContainerView.h>
#include <Effect/PresetEditing.h>
#include <Effect/UserEffects.h>
#include <Records.h>
#include <Settings/Settings.h>
#include <WithServices.h>
#include <gmock/gmock.h>

#include <algorithm>

namespace {

using Effect::AudioEqualizer;
using Effect::ManualEnhance;
using testing::ElementsAre;
using testing::Key;

class UserEffectsServices : public Testing::WithServices {
protected:
    std::unique_ptr<const AudioEqualizer> save(
        const QString& name, double preamp, const std::string& collectionId = {})
    {
        AudioEqualizer effect;
        effect.preamp = preamp;
        return Effect::saveUserEffect(&effect, name, collectionId, preview);
    }

    const std::shared_ptr<const Types::Image> preview = Testing::image();
};

TEST_F(UserEffectsServices, TwoPresetsOfOneNameAreListedOnceTheFirstByFileOrderUntilItIsRemoved)
{
    const auto first = save("Warm", 1);
    const auto second = save("Warm", 2);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->id, second->id);

    const auto presets = Effect::loadUserEffects<AudioEqualizer>();

    ASSERT_EQ(presets.size(), 1u);
    const std::string listed = presets.at("Warm")->id;
    EXPECT_EQ(listed, std::min(first->id, second->id));

    // Removed through the caller's own object, the other one shows.
    Effect::removeUserEffect(listed == first->id ? first.get() : second.get());
    EXPECT_EQ(Effect::loadUserEffects<AudioEqualizer>().at("Warm")->id, std::max(first->id, second->id));
    EXPECT_EQ(Testing::withoutTrash(root.files()).size(), 1);
}

TEST_F(UserEffectsServices, RenameAndReplaceKeepThePresetsIdFileAndCollection)
{
    const auto warm = save("Warm", 1, "user effects");
    ASSERT_TRUE(warm && save("Soft", 2));
    const QStringList files = root.files();

    EXPECT_FALSE(Effect::renameUserEffect(warm.get(), "Soft"));
    ASSERT_TRUE(Effect::renameUserEffect(warm.get(), "Hot"));
    EXPECT_EQ(Effect::nextPresetName<AudioEqualizer>("Hot"), "Hot_01");
    AudioEqualizer louder;
    louder.preamp = 9;
    EXPECT_FALSE(Effect::replaceUserEffect(&louder, "Warm"));
    const auto replaced = Effect::replaceUserEffect(&louder, "Hot");

    ASSERT_TRUE(replaced);
    EXPECT_EQ(replaced->id, warm->id);
    EXPECT_EQ(Testing::withoutTrash(root.files()), files);
    const auto presets = Effect::loadUserEffects<AudioEqualizer>();
    ASSERT_THAT(presets, ElementsAre(Key("Hot"), Key("Soft")));
    EXPECT_EQ(presets.at("Hot")->id, warm->id);
    EXPECT_EQ(presets.at("Hot")->preamp, 9);
    // The collection it was saved to holds it under the new name, with the new settings.
    const auto& held = collections->collection<Effect::Object>("user effects").items;
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(Translator::translate(held[0]->id), "Hot");
    EXPECT_EQ(static_cast<const AudioEqualizer*>(held[0])->preamp, 9);
}

} // namespace
