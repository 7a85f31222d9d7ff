#include "ImportBus.h"
#include <Import/UserCollection.h>
#include <Import/UserItems.h>
#include <Model/Timeline.h>
#include <Project/Writer.h>
#include <TempDataRoot.h>
#include <gtest/gtest.h>

#include <QDir>

namespace {

using Testing::ImportBus;
using Testing::typesOf;

class SavingImports : public ::testing::Test {
protected:
    SavingImports() { timeline.tracks.push_back({ "video", { { "clip.mp4", 0, 1500 } } }); }

    Testing::TempDataRoot root;
    ImportBus bus;
    Import::UserCollection collection { "user-imports", "category_mine",
        QDir(root.path()).filePath("imports") };
    Import::Object item = Testing::withId<Import::Object>("clip");
    Timeline::Object timeline;
    std::shared_ptr<const Types::Image> preview = Testing::image(Qt::red);
};

TEST_F(SavingImports, StoresReadsBackAndRegistersTheReadBackItem)
{
    const Import::Object* saved = collection.saveUserImport(&item, "clip.xml", preview, "unique-7");

    const auto& log = bus.spy.log;
    ASSERT_EQ(
        log.types(), (typesOf<ImportBus::Store, ImportBus::Load, ImportBus::Get, ImportBus::Register>()));
    const std::string path = QDir(collection.storagePath()).filePath("clip.xml").toStdString();
    EXPECT_EQ(log.all<ImportBus::Store>()[0].path, path);
    EXPECT_EQ(log.all<ImportBus::Load>()[0].path, path);
    EXPECT_EQ(log.all<ImportBus::Get>()[0].collectionId, "user-imports");

    const ImportBus::Record& record = bus.stored.at(0);
    EXPECT_EQ(record.item, &item);
    EXPECT_EQ(record.uniqueId, "unique-7");
    EXPECT_EQ(record.preview, preview);
    EXPECT_EQ(record.categories, std::set<std::string> { "category_mine" });
    EXPECT_EQ(record.collectionId, "user-imports");
    EXPECT_TRUE(record.customStrings.empty());

    EXPECT_EQ(log.all<ImportBus::Register>()[0].registerMode, 1);
    ASSERT_EQ(bus.held.size(), 1u);
    EXPECT_EQ(saved, bus.held[0].get());
    EXPECT_NE(saved, &item);
    EXPECT_EQ(saved->id, "clip");
}

TEST_F(SavingImports, NothingIsRegisteredForANullItemARefusedStoreOrAReadBackOfZeroOrSeveralRecords)
{
    EXPECT_EQ(collection.saveUserImport(nullptr, "clip.xml", preview, "u"), nullptr);
    EXPECT_TRUE(bus.spy.log.entries.empty());

    bus.storeSucceeds = false;
    EXPECT_EQ(collection.saveUserImport(&item, "clip.xml", preview, "u"), nullptr);
    EXPECT_EQ(bus.spy.log.types(), typesOf<ImportBus::Store>());

    bus.storeSucceeds = true;
    for (int count : { 0, 2 }) {
        bus.loadCount = count;
        bus.spy.log.clear();
        EXPECT_EQ(collection.saveUserImport(&item, "clip.xml", preview, "u"), nullptr);
        EXPECT_EQ(bus.spy.log.types(), (typesOf<ImportBus::Store, ImportBus::Load>()));
    }
    EXPECT_TRUE(bus.held.empty());
    EXPECT_EQ(Testing::liveReadBacks, 0);
}

TEST_F(SavingImports, AnIntroIsABundleInItsOwnFolderAndARecordNamedByItsUuid)
{
    const Import::Object* saved = collection.saveUserIntro(&timeline, "Opening", preview);

    const auto& log = bus.spy.log;
    ASSERT_EQ(
        log.types(), (typesOf<ImportBus::Get, ImportBus::Store, ImportBus::Load, ImportBus::Register>()));
    const ImportBus::Record& record = bus.stored.at(0);
    const Import::Object& intro = bus.storedItems.at(0);
    const QString uuid = QString::fromStdString(intro.id);
    EXPECT_EQ(uuid.size(), 38);
    EXPECT_TRUE(uuid.startsWith('{') && uuid.endsWith('}'));
    EXPECT_EQ(intro.secondaryId, intro.id);
    EXPECT_EQ(intro.kind, Import::Object::Kind(4));

    const QString folder = QDir(collection.storagePath()).filePath(uuid);
    const QString bundle = QDir(folder).filePath("intro.bundle");
    EXPECT_EQ(intro.path, bundle.toStdString());
    EXPECT_EQ(log.all<ImportBus::Store>()[0].path, folder.toStdString());
    EXPECT_EQ(log.all<ImportBus::Load>()[0].path, folder.toStdString());
    const std::unique_ptr<Timeline::Object> written = Project::readBundle(bundle);
    ASSERT_NE(written, nullptr);
    EXPECT_EQ(written->tracks, timeline.tracks);

    EXPECT_NE(record.uniqueId, intro.id);
    EXPECT_EQ(record.customStrings, (std::map<std::string, std::string> { { intro.id, "Opening" } }));
    EXPECT_EQ(record.categories, std::set<std::string> { "category_mine" });
    EXPECT_EQ(record.collectionId, "user-imports");
    EXPECT_EQ(record.preview, preview);
    EXPECT_EQ(log.all<ImportBus::Register>()[0].registerMode, 1);
    ASSERT_EQ(bus.held.size(), 1u);
    EXPECT_EQ(saved, bus.held[0].get());
}

TEST_F(SavingImports, NoIntroWithoutATimelineOrAWrittenBundle)
{
    EXPECT_EQ(collection.saveUserIntro(nullptr, "Opening", preview), nullptr);

    ASSERT_TRUE(Testing::writeFile(QDir(root.path()).filePath("blocker")));
    collection.setStoragePath(QDir(root.path()).filePath("blocker/intros"));
    EXPECT_EQ(collection.saveUserIntro(&timeline, "Opening", preview), nullptr);

    EXPECT_TRUE(bus.spy.log.entries.empty());
    EXPECT_EQ(root.files(), QStringList { "blocker" });
}

// A refused store keeps the bundle; only the all-or-nothing save takes its folder back.
TEST_F(SavingImports, ARefusedIntroKeepsItsBundleUnlessSavedWhole)
{
    bus.storeSucceeds = false;
    EXPECT_EQ(collection.saveUserIntro(&timeline, "Opening", preview), nullptr);
    const QStringList kept = root.files();
    EXPECT_TRUE(kept.size() == 1 && kept[0].endsWith("}/intro.bundle")) << kept.join(' ').toStdString();
    EXPECT_EQ(Import::saveWholeIntro(collection, &timeline, "Opening", preview), nullptr);
    EXPECT_EQ(root.files(), kept);
}

} // namespace
