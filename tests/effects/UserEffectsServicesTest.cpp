// The user effect presets end to end: real files below a temporary data root,
// written and read by the persistence service, registered with the collection service.

#include <Effect/UserEffects.h>
#include <PersistentItem.h>
#include <QDir>
#include <QFile>
#include <Services/CollectionService.h>
#include <Services/PersistenceService.h>
#include <Settings/Settings.h>
#include <TempDataRoot.h>
#include <algorithm>
#include <gmock/gmock.h>

namespace {

using Effect::AudioEqualizer;
using Effect::ManualEnhance;
using testing::ElementsAre;
using testing::Key;

template <class T>
QString presetFile(const T& preset)
{
    return QDir(Settings::userEffectsPath(T::NameInArchive())).filePath(QString::fromStdString(preset.id));
}

class UserEffectsServices : public testing::Test {
protected:
    AudioEqualizer equalizer(double preamp)
    {
        AudioEqualizer effect;
        effect.preamp = preamp;
        return effect;
    }
    std::unique_ptr<const AudioEqualizer> save(
        const QString& name, double preamp, const std::string& collectionId = {})
    {
        const AudioEqualizer effect = equalizer(preamp);
        return Effect::saveUserEffect(&effect, name, collectionId, preview);
    }

    Testing::TempDataRoot root;
    Services::PersistenceService persistence;
    Services::CollectionService collections;
    const std::shared_ptr<const Types::Image> preview = std::make_shared<const Types::Image>(QPixmap(4, 4));
};

TEST_F(UserEffectsServices, SavedPresetsAreListedPerTypeWithTheirSettings)
{
    AudioEqualizer warm = equalizer(2);
    warm.bandGains[0] = 6;
    ManualEnhance vivid;
    vivid.saturation = 40;

    ASSERT_TRUE(Effect::saveUserEffect(&warm, "Warm", {}, preview));
    ASSERT_TRUE(save("Bright", -1));
    ASSERT_TRUE(Effect::saveUserEffect(&vivid, "Vivid", {}, preview));

    EXPECT_EQ(warm.id, "");
    EXPECT_EQ(warm.preamp, 2);
    const auto equalizers = Effect::loadUserEffects<AudioEqualizer>();
    ASSERT_THAT(equalizers, ElementsAre(Key("Bright"), Key("Warm")));
    EXPECT_EQ(equalizers.at("Warm")->preamp, 2);
    EXPECT_EQ(equalizers.at("Warm")->bandGains[0], 6);
    EXPECT_EQ(equalizers.at("Bright")->preamp, -1);
    const auto enhancements = Effect::loadUserEffects<ManualEnhance>();
    ASSERT_THAT(enhancements, ElementsAre(Key("Vivid")));
    EXPECT_EQ(enhancements.at("Vivid")->saturation, 40);
}

TEST_F(UserEffectsServices, TwoPresetsOfOneNameAreListedOnceTheFirstByFileOrder)
{
    const auto first = save("Warm", 1);
    const auto second = save("Warm", 2);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->id, second->id);

    const auto presets = Effect::loadUserEffects<AudioEqualizer>();

    ASSERT_EQ(presets.size(), 1u);
    EXPECT_EQ(presets.at("Warm")->id, std::min(first->id, second->id));
}

TEST_F(UserEffectsServices, ListingSkipsOtherEffectTypesAndFilesNamelessPresetsUnderTheEmptyName)
{
    ManualEnhance enhance;
    const auto foreign = Effect::saveUserEffect(&enhance, "Vivid", {}, preview);
    ASSERT_TRUE(foreign);
    const QString misplaced
        = QDir(Settings::userEffectsPath(AudioEqualizer::NameInArchive())).filePath("misplaced");
    QDir().mkpath(QFileInfo(misplaced).path());
    ASSERT_TRUE(QFile::copy(presetFile(*foreign), misplaced));

    AudioEqualizer nameless = equalizer(5);
    nameless.id = "nameless";
    EditorCollection::PersistentItem<Effect::Object> record;
    record.item = &nameless;
    ASSERT_TRUE(EditorCollection::PersistentItemHelper<Effect::Object>().store(&record,
        QDir(Settings::userEffectsPath(AudioEqualizer::NameInArchive())).filePath("nameless").toStdString()));

    const auto presets = Effect::loadUserEffects<AudioEqualizer>();

    ASSERT_THAT(presets, ElementsAre(Key("")));
    EXPECT_EQ(presets.at("")->preamp, 5);
    EXPECT_TRUE(QFile::exists(misplaced));
}

TEST_F(UserEffectsServices, RemovingDeletesThePresetFileFromAnyObjectTheCallerHolds)
{
    const auto saved = save("Warm", 1);
    const auto registered = save("Bright", 2, "user effects");
    ASSERT_TRUE(save("Soft", 3));
    ASSERT_TRUE(saved && registered);

    Effect::removeUserEffect(saved.get());
    Effect::removeUserEffect(registered.get());
    EXPECT_FALSE(QFile::exists(presetFile(*saved)));
    EXPECT_FALSE(QFile::exists(presetFile(*registered)));

    const auto listed = Effect::loadUserEffects<AudioEqualizer>();
    ASSERT_THAT(listed, ElementsAre(Key("Soft")));
    Effect::removeUserEffect(listed.at("Soft").get());
    EXPECT_TRUE(Effect::loadUserEffects<AudioEqualizer>().empty());
    EXPECT_TRUE(root.files().isEmpty());
}

} // namespace
