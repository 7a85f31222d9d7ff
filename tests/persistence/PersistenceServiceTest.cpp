#include "RecordDocuments.h"

#include <BusSpy.h>
#include <Effect/AudioEqualizer.h>
#include <Model/EffectObject.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <Services/PersistenceService.h>
#include <Settings/Settings.h>
#include <TempDataRoot.h>
#include <Types/Image.h>
#include <gtest/gtest.h>
#include <optional>

using namespace EditorCollection;
using Services::PersistenceService;

namespace {

// Records read back, with the items the service handed over.
template <class T>
struct Loaded {
    ~Loaded()
    {
        for (const PersistentItem<T>& record : records)
            delete record.item;
    }
    std::vector<std::string> ids() const
    {
        std::vector<std::string> result;
        for (const PersistentItem<T>& record : records)
            result.push_back(record.item ? record.item->id : "(null)");
        return result;
    }
    std::deque<PersistentItem<T>> records;
};

template <class T>
bool store(const PersistentItem<T>& record, const QString& path)
{
    return PersistentItemHelper<T>().store(&record, path.toStdString());
}

template <class T>
Loaded<T> load(const QString& path)
{
    return Loaded<T> { PersistentItemHelper<T>().load(path.toStdString()) };
}

template <class T>
void remove(const T& item)
{
    PersistentItemHelper<T>().remove(&item);
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
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

QImage previewPixels()
{
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(QColor(10, 20, 30));
    image.setPixel(1, 1, qRgb(200, 100, 0));
    return image;
}

class PersistenceServiceTest : public ::testing::Test {
protected:
    QString at(const QString& relative) const { return QDir(root.path()).filePath(relative); }
    static PersistentItem<Import::Object> importRecord(const Import::Object& item)
    {
        PersistentItem<Import::Object> record;
        record.item = &item;
        return record;
    }
    static Import::Object importItem(const std::string& id)
    {
        Import::Object item;
        item.id = id;
        return item;
    }

    Testing::TempDataRoot root;
    std::optional<PersistenceService> service { std::in_place };
};

template <class Case>
class PersistenceServiceRoundTrip : public PersistenceServiceTest {
};
using Cases = ::testing::Types<EffectCase, ImportCase, OverlayCase>;
TYPED_TEST_SUITE(PersistenceServiceRoundTrip, Cases);

TYPED_TEST(PersistenceServiceRoundTrip, RecordReadsBackEqualInANewService)
{
    using Item = typename TypeParam::Item;
    using Made = typename TypeParam::Made;
    const auto item = std::make_unique<Made>();
    TypeParam::fields(*item) = TypeParam::values();
    PersistentItem<Item> record;
    record.item = item.get();
    record.preview = std::make_shared<const Types::Image>(QPixmap::fromImage(previewPixels()));
    record.categories = { "mine", "favourites" };
    record.collectionId = "collection";
    record.customStrings = { { "{preset}", "Warm sound" }, { "note", "\tunusual \"text\" <&>" } };
    const QString path = QDir(TypeParam::folder()).filePath("{record}");
    ASSERT_TRUE(store(record, path));

    this->service.reset();
    this->service.emplace();
    const Loaded<Item> loaded = load<Item>(path);
    ASSERT_EQ(loaded.records.size(), 1u);
    const PersistentItem<Item>& back = loaded.records[0];
    EXPECT_EQ(back.uniqueId, record.uniqueId);
    ASSERT_NE(dynamic_cast<const Made*>(back.item), nullptr);
    EXPECT_EQ(
        TypeParam::fields(dynamic_cast<const Made&>(*back.item)), TypeParam::fields(std::as_const(*item)));
    ASSERT_NE(back.preview, nullptr);
    EXPECT_EQ(back.preview->toImage().convertToFormat(QImage::Format_ARGB32), previewPixels());
    EXPECT_EQ(back.categories, record.categories);
    EXPECT_EQ(back.collectionId, record.collectionId);
    EXPECT_EQ(back.customStrings, record.customStrings);
}

TEST_F(PersistenceServiceTest, RecordAtAFolderLivesInsideItAndIsRemovedWithIt)
{
    const QString intro = at("intros/{intro}");
    write(intro + "/intro.bundle", "bundle");
    const Import::Object item = importItem("{intro}");
    ASSERT_TRUE(store(importRecord(item), intro));
    EXPECT_EQ(root.files(),
        QStringList({ "intros/{intro}/intro.bundle",
            QString("intros/{intro}/") + PersistenceService::RecordFileName }));

    EXPECT_EQ(load<Import::Object>(intro).ids(), std::vector<std::string> { "{intro}" });
    const Loaded<Import::Object> all = load<Import::Object>(at("intros"));
    ASSERT_EQ(all.ids(), std::vector<std::string> { "{intro}" });

    remove(*all.records[0].item);
    EXPECT_FALSE(QFileInfo::exists(intro));
    EXPECT_TRUE(QFileInfo(at("intros")).isDir());
}

TEST_F(PersistenceServiceTest, FolderLoadsItsOwnFileAndSubfolderRecordsOnceByFileName)
{
    QDir().mkpath(at("imports/c"));
    QDir().mkpath(at("imports/empty"));
    write(at("imports/.hidden"), Testing::recordDocument(importRecord(importItem("hidden"))));
    const Import::Object b = importItem("b"), a = importItem("a"), c = importItem("c"),
                         own = importItem("own");
    ASSERT_TRUE(store(importRecord(b), at("imports/b")));
    ASSERT_TRUE(store(importRecord(a), at("imports/a")));
    ASSERT_TRUE(store(importRecord(c), at("imports/c")));
    ASSERT_TRUE(store(importRecord(own), at("imports")));

    const std::vector<std::string> expected { "a", "b", "c", "own" };
    EXPECT_EQ(load<Import::Object>(at("imports")).ids(), expected);
    EXPECT_EQ(load<Import::Object>(at("imports/../imports/.")).ids(), expected);
}

TEST_F(PersistenceServiceTest, DamagedWrongTypedAndForeignFilesAreSkippedAndLeftAlone)
{
    const Import::Object a = importItem("a"), c = importItem("c");
    ASSERT_TRUE(store(importRecord(a), at("imports/a")));
    ASSERT_TRUE(store(importRecord(c), at("imports/c")));
    const QByteArray damaged = contents(at("imports/a")).left(200);
    write(at("imports/b"), damaged);
    const QByteArray wrongTyped = Testing::wrongTypedImportDocument();
    write(at("imports/d"), wrongTyped);
    Overlay::Preset preset;
    PersistentItem<Overlay::Preset> overlayRecord;
    overlayRecord.item = &preset;
    ASSERT_TRUE(store(overlayRecord, at("imports/e")));
    const QByteArray foreign = contents(at("imports/e"));

    EXPECT_EQ(load<Import::Object>(at("imports")).ids(), (std::vector<std::string> { "a", "c" }));
    EXPECT_TRUE(load<Import::Object>(at("imports/d")).records.empty());

    EXPECT_EQ(contents(at("imports/b")), damaged);
    EXPECT_EQ(contents(at("imports/d")), wrongTyped);
    EXPECT_EQ(contents(at("imports/e")), foreign);
}

TEST_F(PersistenceServiceTest, LoadFilterDropsRecordsAndAFailedAnswerLeaksNoItem)
{
    const Import::Object a = importItem("a"), b = importItem("b");
    ASSERT_TRUE(store(importRecord(a), at("imports/a")));
    ASSERT_TRUE(store(importRecord(b), at("imports/b")));
    using Answer = LoadPersistentItemNotification<Import::Object>;
    Testing::BusSpy<Answer> listener;

    const PersistentItem<Import::Object> probe;
    PubSub::publish(LoadPersistentItemRequest<Import::Object>(&probe, at("imports").toStdString(), "",
        [](const PersistentItem<Import::Object>& record) { return record.item->id == "b"; }));
    ASSERT_EQ(listener.log.entries.size(), 1u);
    const Loaded<Import::Object> kept { listener.log.all<Answer>()[0].items };
    EXPECT_EQ(kept.ids(), std::vector<std::string> { "b" });

    listener.answer<Answer>([](const Answer&) { throw std::runtime_error("subscriber failed"); });
    EXPECT_THROW(load<Import::Object>(at("imports")), std::runtime_error);
}

TEST_F(PersistenceServiceTest, RemoveDeletesTheRecordOfTheItemOrOfAnEqualItem)
{
    const Import::Object a = importItem("a"), b = importItem("b");
    ASSERT_TRUE(store(importRecord(a), at("imports/a")));
    ASSERT_TRUE(store(importRecord(b), at("imports/b")));

    remove(a);
    const Import::Object sameAsB = b;
    remove(sameAsB);
    EXPECT_TRUE(root.files().isEmpty());
}

TEST_F(PersistenceServiceTest, RemoveDeletesNothingWhenTheFileNowHoldsAnotherItem)
{
    const Import::Object a = importItem("a"), b = importItem("b"), unknown = importItem("unknown");
    ASSERT_TRUE(store(importRecord(a), at("imports/x")));
    write(at("imports/x"), Testing::recordDocument(importRecord(b)));

    remove(a);
    remove(unknown);
    Loaded<Import::Object> left = load<Import::Object>(at("imports/x"));
    EXPECT_EQ(left.ids(), std::vector<std::string> { "b" });
}

TEST_F(PersistenceServiceTest, PathsOutsideTheServedFoldersAreRefused)
{
    QTemporaryDir outside;
    const Import::Object item = importItem("a");
    const auto record = importRecord(item);
    const QString escaping = at("imports/../../") + QFileInfo(outside.path()).fileName() + "/a";
    EXPECT_FALSE(store(record, escaping));
    EXPECT_FALSE(store(record, ""));
    EXPECT_FALSE(PersistentItemHelper<Import::Object>().store(nullptr, at("imports/a").toStdString()));
    ASSERT_TRUE(QFile::link(outside.path(), at("link")));
    EXPECT_FALSE(store(record, at("link/a"))); // a link does not lead out either
    EXPECT_TRUE(QDir(outside.path()).isEmpty());
    EXPECT_TRUE(root.files().isEmpty());

    service->allowFolder(outside.path());
    ASSERT_TRUE(store(record, outside.path() + "/a"));
    EXPECT_EQ(load<Import::Object>(outside.path()).ids(), std::vector<std::string> { "a" });

    Settings::setDataRoot(outside.path() + "/elsewhere"); // served folders follow the root
    EXPECT_FALSE(store(record, at("imports/a")));
    service.emplace(); // a service that was not given the folder does not read it
    EXPECT_TRUE(load<Import::Object>(outside.path()).records.empty());
}

} // namespace
