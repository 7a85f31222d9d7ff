// Hostile names through the exported functions: names the
// program's command line cannot pass, and paths that lead to other records.

#include "HostProcess.h"
#include <Effect/UserEffects.h>
#include <Import/UserCollection.h>
#include <Import/UserItems.h>
#include <Model/CollectionID.h>
#include <Model/Timeline.h>
#include <Overlay/OverlayPresets.h>
#include <Records.h>
#include <Settings/Settings.h>
#include <WithServices.h>

namespace {

using Kind = Import::Object::Kind;
using Testing::filesBelow;

// The services over <root>/data, with a kept preset and import, beside an empty
// <root>/outside that nothing may touch.
class Hostile : public Testing::WithServices {
protected:
    Hostile()
    {
        QDir().mkpath(at("outside"));
        Effect::AudioEqualizer equalizer;
        EXPECT_NE(Effect::saveUserEffect(&equalizer, "Kept", "", nullptr), nullptr);
        EXPECT_NE(imports.saveUserImport(importNamed("Kept"), "kept", nullptr, "u"), nullptr);
        stored = filesBelow(data);
    }

    Import::Object* importNamed(const QString& name)
    {
        item.id = name.toStdString();
        return &item;
    }

    // Before the collections read their folders.
    const QString data = (Settings::setDataRoot(at("data")), at("data"));
    Import::Object item;
    Import::UserCollection imports { EditorCollection::CollectionID::IMPORTS, "my_imports",
        Settings::userImportsPath() };
    std::unique_ptr<Import::UserCollection> intros = Import::UserCollection::makeIntroCollection();
    Testing::Files stored;
};

// Which saves take a name: as a display name by each kind, and as an import's file name.
struct Takes {
    bool effect, intro, title, rename, import, fileName;
};
constexpr Takes Everywhere { true, true, true, true, true, false };

struct HostileName {
    const char* label;
    QString name;
    Takes takes;
};

// Display names are free text, NUL and the empty name included; what UTF-8 cannot hold
// is refused, and a file name never leads out of its folder or onto another record.
const HostileName hostileNames[] = {
    { "Nul", QString::fromUtf16(u"a\0b", 3), Everywhere },
    // An import's name reaches the library as UTF-8 already, with the surrogate replaced.
    { "LoneHighSurrogate", QString(QChar(0xD800)) + "x", { false, false, false, false, true, true } },
    { "Empty", "", Everywhere },
    { "DotDots", "../../outside/x", Everywhere },
    { "Absolute", "{outside}/x", Everywhere },
    { "SiblingRecord", "../imports/kept", Everywhere },
    { "KeptImportsFileName", "kept", Everywhere },
};

class HostileNames : public Hostile, public ::testing::WithParamInterface<HostileName> { };

// Each save stores the name exactly, as read back after a restart, or refuses it
// without a file, as the row says.
TEST_P(HostileNames, EveryKindStoresTheNameExactlyOrRefusesItWithoutAFile)
{
    const QString name = QString(GetParam().name).replace("{outside}", at("outside"));
    const Takes& takes = GetParam().takes;
    EXPECT_FALSE(imports.removeUserImport(name, Kind::File));
    Effect::ManualEnhance enhance;
    Timeline::Object timeline;
    timeline.tracks.push_back({ "video", { { "a.mp4", 0, 1000 } } });
    Overlay::Preset title;
    const auto shown = Effect::saveUserEffect(&enhance, name, name.toStdString(), Testing::image());
    EXPECT_EQ(bool(shown), takes.effect);
    const Import::Object* intro = intros->saveUserIntro(&timeline, name, nullptr);
    EXPECT_EQ(bool(intro), takes.intro);
    const bool titled = Overlay::saveUserPreset(&title, name);
    EXPECT_EQ(titled, takes.title);
    const Import::Object* const plain = imports.saveUserImport(importNamed("Plain"), "plain", nullptr, "u");
    ASSERT_NE(plain, nullptr);
    // A rename shows exactly the name asked for, or changes nothing.
    const bool renamed = Import::renameUserItem(imports, plain, name);
    EXPECT_EQ(renamed, takes.rename);
    EXPECT_EQ(Translator::translate(plain->id), renamed ? name : QString("Plain"));
    const Import::Object* named = imports.saveUserImport(importNamed(name), "named", nullptr, name);
    EXPECT_EQ(bool(named), takes.import);
    const QString nameRead = QString::fromStdString(name.toStdString());
    const Import::Object* filed = imports.saveUserImport(importNamed("Filed"), name, nullptr, "u");
    EXPECT_EQ(bool(filed), takes.fileName);
    // A file for each record, and an intro's bundle; the rename keeps the record it
    // rewrote in the trash.
    QStringList files;
    for (const auto& [file, bytes] : filesBelow(data))
        files << file;
    EXPECT_EQ(Testing::withoutTrash(files).size(),
        stored.size() + bool(shown) + 2 * bool(intro) + titled + bool(named) + bool(filed) + 1);
    // Stored at a path made of the name, a title stays inside and replaces no other record.
    Overlay::savePreset(&title, "T", QDir(Settings::userOverlaysPath()).filePath(name), { "c" });
    Overlay::savePreset(&title, "T", name, { "c" });

    Testing::expectKeptAndNothingOutside(root.path(), { "data", "outside" }, stored);
    // Read back by services started afresh.
    collections.reset();
    persistence.emplace();
    collections.emplace();
    collections->loadFolder(data);
    const auto enhances = Effect::loadUserEffects<Effect::ManualEnhance>();
    EXPECT_EQ(enhances.count(name) ? enhances.at(name)->id : "", shown ? shown->id : "");
    EXPECT_EQ(intros->nameAvailable(name, Kind::Intro), intro == nullptr);
    // An empty name asks for the preset's own display name.
    const QString titleName = name.isEmpty() ? QString::fromStdString(title.id) : name;
    EXPECT_EQ(Overlay::nextName(titleName) == titleName, !titled);
    EXPECT_EQ(imports.nameAvailable(nameRead, Kind::File), !named && !renamed);
    EXPECT_EQ(imports.nameAvailable("Filed", Kind::File), filed == nullptr);
}

INSTANTIATE_TEST_SUITE_P(Names, HostileNames, ::testing::ValuesIn(hostileNames),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(Hostile, NullPointersGiveNullOrFalseAndChangeNothing)
{
    EXPECT_EQ(Effect::saveUserEffect<Effect::ManualEnhance>(nullptr, "n", "audio_effects", nullptr), nullptr);
    Effect::removeUserEffect(nullptr);
    EXPECT_EQ(imports.saveUserImport(nullptr, "n", nullptr, "u"), nullptr);
    EXPECT_EQ(intros->saveUserIntro(nullptr, "n", nullptr), nullptr);
    intros->locateItem(nullptr);
    EXPECT_FALSE(Overlay::saveUserPreset(nullptr, "n"));
    EXPECT_FALSE(Overlay::savePreset(nullptr, "n", QDir(Settings::userOverlaysPath()).filePath("n"), {}));
    Testing::expectKeptAndNothingOutside(root.path(), { "data", "outside" }, stored);
    EXPECT_EQ(filesBelow(data), stored);
}

} // namespace
