// Run under ThreadSanitizer by scripts/test.sh: the persistence service's locks show there.

#include <Model/ImportObject.h>
#include <PersistentItem.h>
#include <Services/PersistenceService.h>
#include <Settings/Settings.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <atomic>
#include <thread>

using namespace EditorCollection;

// Threads store, load, rename (a copy stored under a new name) and remove records in one
// folder through one service: every store succeeds, every load reads whole records, and
// once every record is removed the folder holds nothing.
TEST(PersistenceThreads, StoreLoadRenameAndRemoveOnOneFolderLoseAndMixNothing)
{
    // The copies stored under a new name are twins that loads warn about, from several
    // threads at once; Qt's message formatting is not what this test is about.
    QLoggingCategory::setFilterRules(QStringLiteral("usercollection.*.warning=false"));
    QTemporaryDir root;
    Settings::setDataRoot(root.path());
    const QDir folder(QDir(root.path()).filePath("imports"));
    const Services::PersistenceService service;
    // Qt sets up its codecs on first use behind locks that ThreadSanitizer cannot see
    // (Qt is not instrumented): one store, load and removal first, on this thread.
    {
        PersistentItemHelper<Import::Object> helper;
        Import::Object item;
        item.id = "first";
        PersistentItem<Import::Object> record;
        record.item = &item;
        const std::string path = folder.filePath("first").toStdString();
        ASSERT_TRUE(helper.store(&record, path));
        ASSERT_EQ(helper.loadRecords(path).size(), 1u);
        helper.remove(&item);
    }
    std::atomic<int> wrong { 0 };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            PersistentItemHelper<Import::Object> helper;
            Import::Object item;
            for (int i = 0; i < 20; ++i) {
                item.id = "t" + std::to_string(t) + "-" + std::to_string(i);
                const Import::Object renamed = item;
                PersistentItem<Import::Object> record, moved;
                record.item = &item;
                moved.item = &renamed;
                const std::string path = folder.filePath(QString::fromStdString(item.id)).toStdString();
                wrong += !helper.store(&record, path) + !helper.store(&moved, path + ".renamed");
                for (const auto& loaded : helper.loadRecords(folder.path().toStdString()))
                    wrong += !loaded.item || loaded.item->id.empty();
                helper.remove(&renamed);
                helper.remove(&item);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden), QStringList());
}
