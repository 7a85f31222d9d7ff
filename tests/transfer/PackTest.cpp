#include <ContainerView.h>
#include <Effect/UserEffects.h>
#include <Import/UserCollection.h>
#include <Model/CollectionID.h>
#include <Overlay/UserTitles.h>
#include <Records.h>
#include <Settings/Settings.h>
#include <Transfer/Pack.h>
#include <WithServices.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtEndian>

#include <KArchive>
#include <KArchiveDirectory>
#include <KArchiveFile>
#include <KZip>
#include <algorithm>
#include <functional>
#include <map>

namespace {

using namespace EditorCollection;
using Transfer::Outcome;
using Entries = std::map<QString, QByteArray>;

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

TEST_F(PackTest, AFailedSaveTakesBackTheWholeImport)
{
    fill(6);
    ASSERT_TRUE(Transfer::exportPack(pack(), imports()).ok);
    Testing::TempDataRoot blocked;
    moveTo(blocked);
    // Titles come last; a file where their folder belongs fails the first one.
    ASSERT_TRUE(Testing::writeFile(Settings::userOverlaysPath()));
    const QStringList files = blocked.files();

    const Transfer::PackReport report = importPack();
    EXPECT_FALSE(report.ok || report.refused);
    EXPECT_TRUE(report.error.contains("nothing was imported")) << report.error.toStdString();
    EXPECT_EQ(blocked.files(), files);
    EXPECT_EQ(shown(), QStringList());
}

// The ZIP with every header naming name declaring that it holds size bytes.
QByteArray declaring(QByteArray zip, const QByteArray& name, quint32 size)
{
    for (const auto& [signature, sizeAt, nameAt] : { std::tuple { "PK\3\4", 22, 30 }, { "PK\1\2", 24, 46 } })
        for (int at = zip.indexOf(signature); at >= 0; at = zip.indexOf(signature, at + 1))
            if (zip.mid(at + nameAt, name.size()) == name)
                qToLittleEndian<quint32>(size, zip.data() + at + sizeAt);
    return zip;
}

TEST_F(PackTest, ADamagedNewerOrHostilePackIsRefusedWholeAndAddsNothing)
{
    fill(6);
    ASSERT_TRUE(Transfer::exportPack(pack(), imports()).ok);
    KZip exported(pack());
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    Entries good { { "manifest.json", exported.directory()->file("manifest.json")->data() } };
    for (const QJsonValue item : QJsonDocument::fromJson(good["manifest.json"])["items"].toArray())
        for (const QJsonValue file : item["files"].toObject())
            good[file.toString()] = exported.directory()->file(file.toString())->data();

    // Each row renames (in entry names and the manifest), sets entries ("->target" is a link)
    // or changes the ZIP.
    const struct {
        const char* says;
        QString from, to;
        Entries set {};
        std::function<QByteArray(QByteArray)> changeZip {};
    } rows[] = {
        { "format version 2", "\"formatVersion\": 1", "\"formatVersion\": 2" },
        { "leaves the pack", "items/1/record.xml", "../record.xml" },
        { "leaves the pack", "items/1/record.xml", "/tmp/record.xml" },
        { "is a link", {}, {}, { { "items/1/preview.png", "->/etc/passwd" } } },
        { "does not list", {}, {}, { { "extra.txt", "x" } } },
        { "damaged", {}, {}, { { "items/2/record.xml", "<archive" } } },
        // Found by fuzz_pack: Qt's parser leaked the value a repeated key drops.
        { "key twice", "\"tool\": ", "\"items\": [], \"tool\": " },
        { "far beyond", {}, {}, {},
            [](QByteArray zip) { return declaring(zip, "manifest.json", 1u << 30); } },
        // A bomb: a small size declared, read no further than that.
        { "more than it declares", {}, {}, {},
            [](QByteArray zip) { return declaring(zip, "items/1/record.xml", 100); } },
        // One reader takes the first, another the last.
        { "entry 'items/1/record.xml' twice", {}, {}, { { "items/1/record.xmm", "<archive/>" } },
            [](QByteArray zip) { return zip.replace("items/1/record.xmm", "items/1/record.xml"); } },
        { "not a ZIP", {}, {}, {}, [](QByteArray) { return QByteArray("PK\3\4 and then nothing"); } },
    };
    Testing::TempDataRoot target;
    moveTo(target);
    for (const auto& row : rows) {
        Entries entries = row.set;
        for (const auto& [name, data] : good)
            entries.emplace(QString(name).replace(row.from, row.to), data);
        entries["manifest.json"]
            = QString::fromUtf8(entries["manifest.json"]).replace(row.from, row.to).toUtf8();
        QByteArray bytes;
        QBuffer buffer(&bytes);
        KZip zip(&buffer);
        ASSERT_TRUE(zip.open(QIODevice::WriteOnly));
        for (const auto& [name, data] : entries)
            data.startsWith("->") ? zip.writeSymLink(name, data.mid(2)) : zip.writeFile(name, data);
        ASSERT_TRUE(zip.close());
        ASSERT_TRUE(Testing::writeFile(pack(), row.changeZip ? row.changeZip(bytes) : bytes));

        const Transfer::PackReport report = importPack();
        EXPECT_TRUE(!report.ok && report.refused) << row.says;
        EXPECT_TRUE(report.error.contains(row.says)) << row.says << ": " << report.error.toStdString();
        EXPECT_EQ(target.files(), QStringList()) << row.says;
    }
}

} // namespace
