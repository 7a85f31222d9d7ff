#include <ContainerView.h>
#include <Effect/UserEffects.h>
#include <Import/UserCollection.h>
#include <Model/CollectionID.h>
#include <Overlay/UserTitles.h>
#include <Records.h>
#include <Settings/Settings.h>
#include <Transfer/Pack.h>
#include <WithServices.h>

#include <QRegularExpression>

#include <algorithm>

namespace {

using namespace EditorCollection;
using Transfer::Outcome;

// An item as archived less the identity a save gives anew; an intro is its bundle.
QByteArray content(const Serialize::ISerializable* item)
{
    const auto* intro = dynamic_cast<const Import::Object*>(item);
    if (intro && intro->kind == Import::Object::Intro)
        return Testing::readFile(QString::fromStdString(intro->path));
    const QByteArray bytes
        = Testing::writeDocument([item](auto& archive) { archive.writeObject("item", item); });
    return QString::fromUtf8(bytes).remove(QRegularExpression("<(id|secondaryId)>[^<]*</\\1>")).toUtf8();
}

class PackTest : public Testing::WithServices {
protected:
    PackTest() { collections->loadWhenFirstNeeded(root.path()); }

    // The services over another data folder, as a later run of the editor on it.
    void moveTo(const Testing::TempDataRoot& folder)
    {
        Settings::setDataRoot(folder.path());
        Translator::clear();
        collections.reset();
        persistence.emplace();
        collections.emplace();
        collections->loadWhenFirstNeeded(folder.path());
    }

    Import::UserCollection imports() const
    {
        return Import::UserCollection(CollectionID::IMPORTS, "my_imports", Settings::userImportsPath());
    }

    // One item of each kind; the equalizer named Bass.
    void fill(double bass)
    {
        Effect::AudioEqualizer equalizer;
        equalizer.bandGains[0] = bass;
        ASSERT_TRUE(
            Effect::saveUserEffect(&equalizer, "Bass", CollectionID::AUDIO_EFFECTS, Testing::image()));
        Effect::ManualEnhance enhance;
        enhance.temperature = 30;
        ASSERT_TRUE(Effect::saveUserEffect(&enhance, "Warm", CollectionID::VIDEO_EFFECTS, nullptr));
        Import::Object import;
        import.id = import.secondaryId = "beach";
        import.path = "/media/beach.png";
        import.kind = Import::Object::Picture;
        ASSERT_TRUE(imports().saveUserImport(&import, "beach.import", Testing::image(), "beach-1"));
        Timeline::Object timeline;
        timeline.tracks.push_back({ "video", { { "/media/a.mp4", 0, 1500 } } });
        ASSERT_TRUE(Import::UserCollection::makeIntroCollection()->saveUserIntro(
            &timeline, "Opening", Testing::image()));
        Overlay::Preset title;
        title.text = "Hello";
        ASSERT_TRUE(Overlay::saveUserTitle(&title, "Welcome", Testing::image()));
    }

    // Every item the collections show: collection, name, content and preview width.
    QStringList shown()
    {
        QStringList lines;
        const auto add = [&lines](const std::string& collection, const auto& container) {
            for (const auto* item : container.items) {
                const auto preview = container.previews.find(item);
                const bool drawn = preview != container.previews.end() && preview->second;
                lines << QString::fromStdString(collection) + '|' + Translator::translate(item->id) + '|'
                        + content(item).toBase64() + '|'
                        + (drawn ? QString::number(preview->second->width()) : "-");
            }
        };
        for (const std::string& id : { CollectionID::AUDIO_EFFECTS, CollectionID::VIDEO_EFFECTS })
            add(id, collections->collection<Effect::Object>(id));
        for (const std::string& id : { CollectionID::IMPORTS, CollectionID::INTROS })
            add(id, collections->collection<Import::Object>(id));
        add(CollectionID::TITLES, collections->collection<Overlay::Preset>(CollectionID::TITLES));
        lines.sort();
        return lines;
    }

    QString pack() const { return QDir(scratch.path()).filePath("pack.zip"); }

    Transfer::PackReport importPack()
    {
        Import::UserCollection collection = imports();
        return Transfer::importPack(pack(), collection);
    }

    QTemporaryDir scratch;
};

TEST_F(PackTest, ARoundTripKeepsEveryItemAndASecondImportAddsNothing)
{
    fill(6);
    const QStringList source = shown();
    ASSERT_EQ(source.size(), 5);
    EXPECT_EQ(Transfer::exportPack(pack(), imports()).count(Outcome::Exported), 5u);

    Testing::TempDataRoot empty;
    moveTo(empty);
    const Transfer::PackReport first = importPack();
    ASSERT_TRUE(first.ok) << first.error.toStdString();
    EXPECT_EQ(first.count(Outcome::Imported), 5u);
    EXPECT_EQ(shown(), source);

    const QStringList files = empty.files();
    moveTo(empty);
    EXPECT_EQ(importPack().count(Outcome::AlreadyThere), 5u);
    EXPECT_EQ(empty.files(), files);
}

TEST_F(PackTest, ChosenTypesWithTakenNamesGetTheNextFreeOneAndNothingThereIsOverwritten)
{
    fill(6);
    Transfer::Selection chosen;
    chosen.types = { Transfer::ItemType::Equalizer, Transfer::ItemType::Title };
    ASSERT_TRUE(Transfer::exportPack(pack(), imports(), chosen).ok);
    Testing::TempDataRoot other;
    moveTo(other);
    fill(-3);
    const QStringList before = shown();
    const Transfer::PackReport report = importPack();
    EXPECT_EQ(report.count(Outcome::AlreadyThere), 1u); // the title
    EXPECT_EQ(report.items[0].outcome, Outcome::Renamed);
    EXPECT_EQ(report.items[0].newName, "Bass_01");
    const QStringList after = shown();
    EXPECT_EQ(after.size(), 6);
    EXPECT_TRUE(std::includes(after.begin(), after.end(), before.begin(), before.end()));
}

} // namespace
