#include "RecordDocuments.h"
#include <BusSpy.h>
#include <Effect/AudioEqualizer.h>
#include <Services/DataFolderCheck.h>
#include <Settings/Settings.h>
#include <WithServices.h>

#include <QDate>
#include <QImage>
#include <QPainter>

using namespace EditorCollection;
using Services::PersistenceService;
using Testing::readFile;
using Testing::recordOf;
using Testing::writeFile;
using Ids = std::vector<std::string>;

namespace {

// The files outside the trash; with kept, where the records the trash keeps lay.
QStringList outsideTrash(const QStringList& files, QStringList* kept = nullptr)
{
    QStringList outside;
    for (const QString& file : files) {
        if (!file.startsWith("trash/"))
            outside << file;
        else if (kept && !file.endsWith("/note.json"))
            *kept << file.section('/', 2);
    }
    return outside;
}

template <class T>
Ids ids(const LoadedRecords<T>& records)
{
    Ids result;
    for (const PersistentItem<T>& record : records)
        result.push_back(record.item ? record.item->id : "(null)");
    return result;
}

template <class T>
bool store(const PersistentItem<T>& record, const QString& path)
{
    return PersistentItemHelper<T>().store(&record, path.toStdString());
}

// Stores an import with the given id at path, from an item that lives only for the call.
bool storeImport(const std::string& id, const QString& path)
{
    const auto item = Testing::withId<Import::Object>(id);
    return store(recordOf(&item), path);
}

LoadedRecords<Import::Object> load(const QString& path)
{
    return PersistentItemHelper<Import::Object>().loadRecords(path.toStdString());
}

void remove(const Import::Object& item)
{
    PersistentItemHelper<Import::Object>().remove(&item);
}

// Per item type: the concrete item made, its fields, values for every one of them.
struct EffectCase {
    using Item = Effect::Object;
    using Made = Effect::AudioEqualizer;
    template <class I>
    static auto fields(I& e)
    {
        return std::tie(e.id, e.secondaryId, e.bandGains, e.preamp);
    }
    static auto values()
    {
        return std::make_tuple(
            "{preset}", "Warm", std::array<double, 10> { 1, -2, 3.5, 0, 0, 0, 0, 0, -12, 12 }, -1.25);
    }
    static QString folder() { return Settings::userEffectsPath(Made::NameInArchive()); }
};

struct ImportCase {
    using Item = Import::Object;
    using Made = Item;
    template <class I>
    static auto fields(I& i)
    {
        return std::tie(i.id, i.secondaryId, i.path, i.kind);
    }
    static auto values() { return std::make_tuple("beach.mp4", "Beach", "/media/beach.mp4", Item::Intro); }
    static QString folder() { return Settings::userImportsPath(); }
};

struct OverlayCase {
    using Item = Overlay::Preset;
    using Made = Item;
    template <class I>
    static auto fields(I& p)
    {
        return std::tie(
            p.id, p.secondaryId, p.text, p.fontFamily, p.fontSize, p.textColor, p.backgroundColor);
    }
    static auto values()
    {
        return std::make_tuple("{title}", "Big", "Hello\nworld", "Serif", 72, 0xff102030u, 0x80405060u);
    }
    static QString folder() { return Settings::userOverlaysPath(); }
};

using PersistenceServiceTest = Testing::WithServices;

template <class Case>
class PersistenceServiceRoundTrip : public PersistenceServiceTest {
};
using Cases = ::testing::Types<EffectCase, ImportCase, OverlayCase>;
TYPED_TEST_SUITE(PersistenceServiceRoundTrip, Cases);

TYPED_TEST(PersistenceServiceRoundTrip, RecordReadsBackEqualInANewService)
{
    using Item = typename TypeParam::Item;
    using Made = typename TypeParam::Made;
    QImage pixels(3, 2, QImage::Format_ARGB32);
    pixels.fill(QColor(10, 20, 30));
    pixels.setPixel(1, 1, qRgb(200, 100, 0));
    const auto item = std::make_unique<Made>();
    TypeParam::fields(*item) = TypeParam::values();
    PersistentItem<Item> record = recordOf<Item>(item.get(), "collection");
    record.preview = std::make_shared<const Types::Image>(QPixmap::fromImage(pixels));
    record.categories = { "mine", "favourites" };
    record.customStrings = { { "{preset}", "Warm sound" }, { "note", "\tunusual \"text\" <&>" } };
    const QString path = QDir(TypeParam::folder()).filePath("{record}");
    ASSERT_TRUE(store(record, path));

    this->persistence.emplace();
    const LoadedRecords<Item> loaded = PersistentItemHelper<Item>().loadRecords(path.toStdString());
    ASSERT_EQ(loaded.size(), 1u);
    const PersistentItem<Item>& back = loaded[0];
    EXPECT_EQ(back.uniqueId, record.uniqueId);
    ASSERT_NE(dynamic_cast<const Made*>(back.item), nullptr);
    EXPECT_EQ(
        TypeParam::fields(dynamic_cast<const Made&>(*back.item)), TypeParam::fields(std::as_const(*item)));
    ASSERT_NE(back.preview, nullptr);
    // The preview is a QPixmap to whoever holds it as one: its size, its pixels, drawn.
    const QPixmap& preview = *back.preview;
    EXPECT_EQ(preview.toImage().convertToFormat(QImage::Format_ARGB32), pixels);
    QImage drawn(3, 2, QImage::Format_ARGB32);
    drawn.fill(Qt::black);
    QPainter(&drawn).drawPixmap(QRect(0, 0, 3, 2), preview);
    EXPECT_EQ(drawn, pixels);
    EXPECT_EQ(back.categories, record.categories);
    EXPECT_EQ(back.collectionId, record.collectionId);
    EXPECT_EQ(back.customStrings, record.customStrings);
}

TEST_F(PersistenceServiceTest, RecordAtAFolderLivesInsideItAndIsRemovedWithItUnlessTheFolderHoldsMore)
{
    const QString intro = at("intros/{intro}");
    ASSERT_TRUE(writeFile(intro + "/intro.bundle"));
    ASSERT_TRUE(storeImport("{intro}", intro));
    EXPECT_EQ(root.files(),
        QStringList({ "intros/{intro}/intro.bundle",
            QString("intros/{intro}/") + PersistenceService::RecordFileName }));

    EXPECT_EQ(ids(load(intro)), Ids { "{intro}" });
    const LoadedRecords<Import::Object> all = load(at("intros"));
    ASSERT_EQ(ids(all), Ids { "{intro}" });

    remove(*all[0].item);
    EXPECT_FALSE(QFileInfo::exists(intro));
    EXPECT_TRUE(QFileInfo(at("intros")).isDir());

    // A file the user put beside the record keeps its folder in place.
    ASSERT_TRUE(writeFile(intro + "/notes.txt") && storeImport("{intro}", intro));
    remove(*load(intro)[0].item);
    EXPECT_TRUE(QFileInfo::exists(intro + "/notes.txt"));
}

TEST_F(PersistenceServiceTest, FolderLoadsItsOwnFileAndSubfolderRecordsOnceByFileName)
{
    QDir().mkpath(at("imports/c"));
    QDir().mkpath(at("imports/empty"));
    const auto hidden = Testing::withId<Import::Object>("hidden");
    ASSERT_TRUE(writeFile(at("imports/.hidden"), Testing::savedDocument(recordOf(&hidden))));
    for (const char* id : { "b", "a", "c" })
        ASSERT_TRUE(storeImport(id, at("imports/") + id));
    ASSERT_TRUE(storeImport("own", at("imports")));
    // A link to a folder is a folder: its record counts.
    QDir().mkpath(at("stash/d"));
    ASSERT_TRUE(storeImport("d", at("stash/d")) && QFile::link(at("stash/d"), at("imports/d")));

    EXPECT_EQ(ids(load(at("imports"))), (Ids { "a", "b", "c", "d", "own" }));
    EXPECT_EQ(ids(load(at("imports/../imports/."))), (Ids { "a", "b", "c", "d", "own" }));
}

TEST_F(PersistenceServiceTest, DamagedWrongTypedForeignAndLeftoverFilesAreSkippedAndLeftAlone)
{
    ASSERT_TRUE(storeImport("a", at("imports/a")));
    ASSERT_TRUE(storeImport("c", at("imports/c")));
    ASSERT_TRUE(writeFile(at("imports/b"), readFile(at("imports/a")).left(200)));
    ASSERT_TRUE(writeFile(at("imports/d"), Testing::wrongTypedImportDocument()));
    const Overlay::Preset preset;
    ASSERT_TRUE(store(recordOf(&preset), at("imports/e")));
    // A whole record under a save's temporary name, as a kill before the rename leaves it,
    // and one whose suffix has a dash, no letter or digit: a record like any other.
    for (const auto& [id, suffix] : { std::pair { "t", ".Ab12Cd" }, { "u", ".Ab-2Cd" } }) {
        const auto item = Testing::withId<Import::Object>(id);
        ASSERT_TRUE(writeFile(at("imports/{6d1f3a52-3c0e-4c54-9a39-4c2f4d0b1e7f}") + suffix,
            Testing::savedDocument(recordOf(&item))));
    }
    std::map<QString, QByteArray> files;
    for (const QString& file : root.files())
        files[file] = readFile(at(file));

    EXPECT_EQ(ids(load(at("imports"))), (Ids { "a", "c", "u" }));
    EXPECT_TRUE(load(at("imports/d")).empty());
    for (const auto& [file, bytes] : files)
        EXPECT_EQ(readFile(at(file)), bytes) << file.toStdString();
}

// A sync tool or a file manager moves one record over another while the service runs.
TEST_F(PersistenceServiceTest, ALoadReturnsWhatTheFilesHoldNowWhateverTheServiceRemembers)
{
    ASSERT_TRUE(storeImport("a", at("imports/a")));
    ASSERT_TRUE(storeImport("b", at("imports/b")));
    ASSERT_EQ(ids(load(at("imports"))), (Ids { "a", "b" }));
    ASSERT_TRUE(QFile::remove(at("imports/a")));
    ASSERT_TRUE(QFile::rename(at("imports/b"), at("imports/a")));

    EXPECT_EQ(ids(load(at("imports/a"))), Ids { "b" });
    EXPECT_EQ(ids(load(at("imports"))), Ids { "b" });
    remove(Testing::withId<Import::Object>("a")); // gone: nothing of b's may go with it
    EXPECT_EQ(root.files(), QStringList { "imports/a" });
    remove(Testing::withId<Import::Object>("b"));
    QStringList kept;
    EXPECT_EQ(outsideTrash(root.files(), &kept), QStringList());
    EXPECT_EQ(kept, QStringList { "imports/a" });
}

TEST_F(PersistenceServiceTest, LoadFilterDropsRecords)
{
    ASSERT_TRUE(storeImport("a", at("imports/a")));
    ASSERT_TRUE(storeImport("b", at("imports/b")));
    using Answer = LoadPersistentItemNotification<Import::Object>;
    Testing::BusSpy<Answer> listener;
    LoadedRecords<Import::Object> kept;
    listener.answer<Answer>([&kept](const Answer& answer) {
        kept = LoadedRecords<Import::Object>::claim(&answer.items, answer.items);
    });

    const PersistentItem<Import::Object> probe;
    PubSub::publish(LoadPersistentItemRequest<Import::Object>(&probe, at("imports").toStdString(), "",
        [](const PersistentItem<Import::Object>& record) { return record.item->id == "b"; }));
    EXPECT_EQ(ids(kept), Ids { "b" });
}

TEST_F(PersistenceServiceTest, RemoveDeletesEveryRecordOfTheItemOrAnEqualItemButNoneOfAnotherItem)
{
    const auto a = Testing::withId<Import::Object>("a"), b = Testing::withId<Import::Object>("b"),
               c = Testing::withId<Import::Object>("c");
    ASSERT_TRUE(store(recordOf(&a), at("imports/a")));
    ASSERT_TRUE(store(recordOf(&b), at("imports/b")));
    ASSERT_TRUE(store(recordOf(&c), at("imports/x")));
    ASSERT_TRUE(writeFile(at("imports/x"), Testing::savedDocument(recordOf(&b)))); // now holds b

    remove(c);
    remove(Testing::withId<Import::Object>("unknown"));
    remove(a);
    EXPECT_EQ(outsideTrash(root.files()), (QStringList { "imports/b", "imports/x" }));
    const Import::Object sameAsB = b;
    remove(sameAsB); // x holds b now too: no twin is left to come back
    QStringList kept;
    EXPECT_EQ(outsideTrash(root.files(), &kept), QStringList());
    EXPECT_EQ(kept, (QStringList { "imports/a", "imports/b", "imports/x" }));
}

TEST_F(PersistenceServiceTest, PathsOutsideTheServedFoldersAreRefused)
{
    QTemporaryDir outside;
    const auto item = Testing::withId<Import::Object>("a");
    const auto record = recordOf(&item);
    const QString escaping = at("imports/../../") + QFileInfo(outside.path()).fileName() + "/a";
    EXPECT_FALSE(store(record, escaping));
    EXPECT_FALSE(store(record, ""));
    EXPECT_FALSE(PersistentItemHelper<Import::Object>().store(nullptr, at("imports/a").toStdString()));
    ASSERT_TRUE(QFile::link(outside.path(), at("link")));
    EXPECT_FALSE(store(record, at("link/a"))); // a link does not lead out either
    EXPECT_TRUE(QDir(outside.path()).isEmpty());
    EXPECT_TRUE(root.files().isEmpty());

    persistence->allowFolder(outside.path());
    ASSERT_TRUE(store(record, outside.path() + "/a"));
    EXPECT_EQ(ids(load(outside.path())), Ids { "a" });

    Settings::setDataRoot(outside.path() + "/elsewhere"); // served folders follow the root
    EXPECT_FALSE(store(record, at("imports/a")));
    persistence.emplace(); // a service that was not given the folder does not read it
    EXPECT_TRUE(load(outside.path()).empty());
}

// It would take the item's name and read back as damage.
TEST_F(PersistenceServiceTest, ARecordTheReaderWouldRefuseIsNeverWritten)
{
    const auto item = Testing::withId<Import::Object>("a");
    auto record = recordOf(&item);
    // More pixels than a preview may have; one colour keeps its PNG small.
    QImage picture(4100, 4100, QImage::Format_RGB32);
    picture.fill(Qt::red);
    record.preview = std::make_shared<const Types::Image>(QPixmap::fromImage(picture));
    EXPECT_FALSE(store(record, at("imports/a")));
    EXPECT_TRUE(root.files().isEmpty());
}

} // namespace

namespace {

TEST_F(PersistenceServiceTest, QuarantineMovesWhatItCanNeverOverwritesAndLeavesAllWhereItCannotBeMade)
{
    const auto quarantine = [&](const QByteArray& damaged) {
        EXPECT_TRUE(writeFile(at("imports/b"), damaged));
        return Services::quarantineProblems(root.path(), Services::checkDataFolder(root.path())).size();
    };
    // Beside a good record, which is never a problem.
    ASSERT_TRUE(storeImport("a", at("imports/a")));
    ASSERT_TRUE(writeFile(at("quarantine"), "a file where the folder would go"));
    EXPECT_EQ(quarantine("<archive"), 1u);
    EXPECT_EQ(readFile(at("imports/b")), "<archive");
    // A second and third quarantine of the same day add copies beside the first.
    ASSERT_TRUE(QFile::remove(at("quarantine")));
    const QString day = "quarantine/" + QDate::currentDate().toString(Qt::ISODate) + "/imports/b";
    for (const QString copy : { "", ".2", ".3" }) {
        EXPECT_EQ(quarantine("<archive" + copy.toUtf8()), 0u);
        EXPECT_EQ(readFile(at(day + copy)), "<archive" + copy.toUtf8());
    }
    EXPECT_FALSE(QFile::exists(at("imports/b")));
}

} // namespace
