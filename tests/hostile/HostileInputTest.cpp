// Hostile names, null pointers and storage paths through the exported functions.

#include "FileSnapshot.h"
#include <CollectionHelper.h>
#include <ContainerView.h>
#include <Effect/UserEffects.h>
#include <Import/UserCollection.h>
#include <Model/CollectionID.h>
#include <Model/Timeline.h>
#include <Overlay/OverlayPresets.h>
#include <Records.h>
#include <Settings/Settings.h>
#include <WithServices.h>

namespace {

using EditorCollection::CollectionID;
using Kind = Import::Object::Kind;
using Testing::filesBelow;

template <class T>
QStringList displayNames(const std::string& collectionId)
{
    EditorCollection::CollectionHelper<T> helper(collectionId);
    const EditorCollection::Container<T>* container = helper.getCollection().collection;
    QStringList names;
    for (const T* item : container ? container->items : std::deque<const T*>())
        names << Translator::translate(item->id);
    return names;
}

// The services over <root>/data, with one stored item of every kind and an empty
// sibling <root>/outside that nothing may touch.
class Hostile : public Testing::WithServices {
protected:
    Hostile()
    {
        QDir().mkpath(outside);
        Effect::AudioEqualizer equalizer;
        equalizer.setParameter("band1", 6);
        if (const auto kept = Effect::saveUserEffect(&equalizer, "Kept", "", nullptr))
            keptPresetId = kept->id;
        timeline.tracks.push_back({ "video", { { "a.mp4", 0, 1000 } } });
        EXPECT_NE(intros->saveUserIntro(&timeline, "Kept", nullptr), nullptr);
        EXPECT_TRUE(Overlay::saveUserPreset(&title, "Kept"));
        EXPECT_NE(imports.saveUserImport(importNamed("Kept"), "kept", nullptr, "u"), nullptr);
        stored = filesBelow(data);
    }

    Import::Object* importNamed(const QString& name)
    {
        item.id = name.toStdString();
        return &item;
    }

    void restart()
    {
        collections.reset();
        persistence.emplace();
        collections.emplace();
        collections->loadFolder(data);
    }

    // Everything stored before is there unchanged and listed after a restart, and
    // nothing was written beside the data folder.
    void expectNothingLostOrEscaped()
    {
        Testing::expectKeptAndNothingOutside(root.path(), { "data", "outside" }, stored);
        restart();
        const auto presets = Effect::loadUserEffects<Effect::AudioEqualizer>();
        ASSERT_TRUE(presets.count("Kept"));
        EXPECT_EQ(presets.at("Kept")->id, keptPresetId);
        EXPECT_EQ(presets.at("Kept")->parameter("band1"), 6.0);
        EXPECT_TRUE(displayNames<Import::Object>(intros->id()).contains("Kept"));
        EXPECT_TRUE(displayNames<Import::Object>(imports.id()).contains("Kept"));
        EXPECT_TRUE(displayNames<Overlay::Preset>(CollectionID::TITLES).contains("Kept"));
    }

    static QString used(const QString& dataRoot)
    {
        Settings::setDataRoot(dataRoot);
        return dataRoot;
    }

    const QString data = used(at("data")); // before the collections read their folders
    const QString outside = at("outside");
    std::string keptPresetId;
    Timeline::Object timeline;
    Overlay::Preset title;
    Import::Object item;
    std::unique_ptr<Import::UserCollection> intros = Import::UserCollection::makeIntroCollection();
    Import::UserCollection imports { CollectionID::IMPORTS, "my_imports", Settings::userImportsPath() };
    Testing::Files stored;
};

struct HostileName {
    const char* label;
    QString text; // {outside} stands for the sibling folder
};

const HostileName hostileNames[] = {
    { "Long", QString(100000, QLatin1Char('n')) },
    { "Nul", QString::fromUtf16(u"a\0b", 3) },
    { "Controls", "\x01\n\r\t\x1b[31m\x7f" },
    { "LoneHighSurrogate", QString(QChar(0xD800)) + "x" },
    { "LoneLowSurrogate", "x" + QString(QChar(0xDC00)) },
    { "ReversedPair", QString(QChar(0xDC00)) + QChar(0xD800) },
    { "Noncharacter", QString(QChar(0xFFFF)) },
    { "DotDots", "../../outside/x" },
    { "Separator", "a/b" },
    { "Absolute", "{outside}/x" },
    { "Dot", "." },
    { "DotDot", ".." },
    { "Empty", "" },
    { "Backslashes", "..\\..\\x" },
    { "OtherKindsRecord", "../effects/AudioEqualizer" },
    { "SiblingRecord", "../imports/kept" },
    { "KeptImportsFileName", "kept" },
};

class HostileNames : public Hostile, public ::testing::WithParamInterface<HostileName> {
protected:
    QString name() const { return QString(GetParam().text).replace("{outside}", outside); }
};

// Each save either refuses the name without leaving a file, or stores a record that
// reads back under the very same name after a restart.
TEST_P(HostileNames, EveryKindStoresTheNameExactlyOrRefusesItWithoutAFile)
{
    // Asked while no item has the name, queries change nothing.
    EXPECT_TRUE(imports.nameAvailable(name(), Kind::File));
    EXPECT_EQ(intros->nextName(name(), Kind::Intro), name());
    EXPECT_FALSE(intros->itemRemovable(name(), Kind::Intro));
    EXPECT_FALSE(imports.removeUserImport(name(), Kind::File));
    EXPECT_FALSE(intros->removeUserImport(name(), Kind::Intro));
    EXPECT_EQ(Overlay::nextName(name()), name());
    EXPECT_EQ(filesBelow(data), stored);

    Effect::AudioEqualizer equalizer;
    Effect::ManualEnhance enhance;
    const auto saved = Effect::saveUserEffect(&equalizer, name(), "", nullptr);
    const auto shown = Effect::saveUserEffect(&enhance, name(), name().toStdString(), Testing::image());
    const Import::Object* intro = intros->saveUserIntro(&timeline, name(), nullptr);
    const bool titled = Overlay::saveUserPreset(&title, name());
    const Import::Object* named = imports.saveUserImport(importNamed(name()), "named", nullptr, name());
    const QString nameRead = QString::fromStdString(name().toStdString());
    const Import::Object* filed = imports.saveUserImport(importNamed("Filed"), name(), nullptr, "u");
    // A file for each record, and an intro's bundle.
    EXPECT_EQ(filesBelow(data).size(),
        stored.size() + bool(saved) + bool(shown) + 2 * bool(intro) + titled + bool(named) + bool(filed));
    // Stored at a path made of the name, a title stays inside and replaces no other record.
    Overlay::savePreset(&title, "T", QDir(Settings::userOverlaysPath()).filePath(name()), { "c" });
    Overlay::savePreset(&title, "T", name(), { "c" });

    restart();
    const auto equalizers = Effect::loadUserEffects<Effect::AudioEqualizer>();
    const auto enhances = Effect::loadUserEffects<Effect::ManualEnhance>();
    EXPECT_EQ(equalizers.count(name()) ? equalizers.at(name())->id : "", saved ? saved->id : "");
    EXPECT_EQ(enhances.count(name()) ? enhances.at(name())->id : "", shown ? shown->id : "");
    EXPECT_EQ(displayNames<Import::Object>(intros->id()).contains(name()), intro != nullptr);
    // An empty name asks for the preset's own display name.
    const QString titleName = name().isEmpty() ? QString::fromStdString(title.id) : name();
    EXPECT_EQ(displayNames<Overlay::Preset>(CollectionID::TITLES).contains(titleName), titled);
    const QStringList listed = displayNames<Import::Object>(imports.id());
    EXPECT_EQ(listed.contains(nameRead), named != nullptr);
    EXPECT_EQ(listed.contains("Filed"), filed != nullptr);
    expectNothingLostOrEscaped();
}

INSTANTIATE_TEST_SUITE_P(Names, HostileNames, ::testing::ValuesIn(hostileNames),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(Hostile, NullPointersGiveNullOrFalseAndChangeNothing)
{
    EXPECT_EQ(Effect::saveUserEffect<Effect::AudioEqualizer>(nullptr, "n", "", nullptr), nullptr);
    EXPECT_EQ(Effect::saveUserEffect<Effect::ManualEnhance>(nullptr, "n", "audio_effects", nullptr), nullptr);
    Effect::removeUserEffect(nullptr);
    EXPECT_EQ(imports.saveUserImport(nullptr, "n", nullptr, "u"), nullptr);
    EXPECT_EQ(intros->saveUserIntro(nullptr, "n", nullptr), nullptr);
    intros->locateItem(nullptr);
    EXPECT_FALSE(Overlay::savePreset(nullptr, "n", QDir(Settings::userOverlaysPath()).filePath("n"), {}));
    EXPECT_FALSE(Overlay::saveUserPreset(nullptr, "n"));
    EXPECT_EQ(filesBelow(data), stored);
    expectNothingLostOrEscaped();
}

TEST_F(Hostile, RemovingAnEffectOfAnotherTypeUnderTheKeptIdKeepsThePreset)
{
    Effect::ManualEnhance impostor;
    impostor.id = keptPresetId;
    Effect::removeUserEffect(&impostor);
    Effect::AudioEqualizer unsaved;
    Effect::removeUserEffect(&unsaved);
    expectNothingLostOrEscaped();
}

TEST_F(Hostile, AStoragePathOrDataRootThatIsAFileRefusesEverySave)
{
    const QString file = QDir(data).filePath("imports/kept");
    Import::UserCollection onFile("imports", "my_imports", file);
    EXPECT_EQ(onFile.saveUserImport(importNamed("x"), "x", nullptr, "u"), nullptr);
    EXPECT_EQ(onFile.saveUserIntro(&timeline, "x", nullptr), nullptr);

    Settings::setDataRoot(file);
    Effect::AudioEqualizer equalizer;
    EXPECT_EQ(Effect::saveUserEffect(&equalizer, "x", "", nullptr), nullptr);
    EXPECT_TRUE(Effect::loadUserEffects<Effect::AudioEqualizer>().empty());
    EXPECT_EQ(Import::UserCollection::makeIntroCollection()->saveUserIntro(&timeline, "x", nullptr), nullptr);
    EXPECT_FALSE(Overlay::saveUserPreset(&title, "x"));
    Settings::setDataRoot(data);
    EXPECT_EQ(filesBelow(data), stored);
    expectNothingLostOrEscaped();
}

} // namespace
