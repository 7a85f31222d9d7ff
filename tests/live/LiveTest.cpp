#include "BrowserWindow.h"
#include "HostProcess.h"
#include <Collection/CollectionModel.h>
#include <Model/CollectionID.h>
#include <Model/Translator.h>
#include <Overlay/OverlayPresets.h>
#include <Overlay/UserTitles.h>
#include <Services/CollectionService.h>
#include <Services/PersistenceService.h>
#include <TempDataRoot.h>
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTest>

namespace Testing {
namespace {

using Collection::CollectionModel;

// Every wait for another process is bounded, and generous: a slow machine only
// takes longer, never fails.
constexpr int WaitMs = 10000;

QStringList names(const QAbstractItemModel& model)
{
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row)
        names << model.index(row, 0).data().toString();
    return names;
}

// A data folder of the test's own, which the usercollection program changes.
class LiveFolder : public ::testing::Test {
protected:
    ~LiveFolder() override { Translator::clear(); }

    HostRun host(const QStringList& arguments) const
    {
        return runHost(QStringList { "--data", root.path() } + arguments);
    }
    // The titles as `titles list` names them, in its order.
    QStringList listedTitles() const
    {
        const HostRun run = runHost({ "--data", root.path(), "--json", "titles", "list" });
        return valueAt(run.json(), "titles/*/name").split('|', Qt::SkipEmptyParts);
    }
    // Waits until model shows what `titles list` lists.
    void expectListed(const QAbstractItemModel& model) const
    {
        const QStringList listed = listedTitles();
        EXPECT_TRUE(QTest::qWaitFor([&] { return names(model) == listed; }, WaitMs))
            << names(model).join(',').toStdString() << " != " << listed.join(',').toStdString();
    }

    TempDataRoot root;
};

// The editor's services in this process too, watching the folder.
class LiveTest : public LiveFolder {
protected:
    LiveTest()
    {
        collections.watchForChanges();
        collections.loadWhenFirstNeeded(root.path());
    }

    Services::PersistenceService persistence;
    Services::CollectionService collections;
};

TEST_F(LiveTest, ModelFollowsChangesOfThisProcessAndOfAnother)
{
    CollectionModel model(
        CollectionModel::ItemType::Titles, QString::fromStdString(EditorCollection::CollectionID::TITLES));
    QSortFilterProxyModel sorted;
    sorted.setSourceModel(&model);
    sorted.sort(0);
    const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const QAbstractItemModelTester proxyTester(
        &sorted, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

    // This process: saves, a rename through the model, a removal.
    for (const char* name : { "Take 10", "Take 2", "Opening" }) {
        Overlay::Preset preset;
        ASSERT_TRUE(Overlay::saveUserTitle(&preset, name, nullptr));
    }
    EXPECT_EQ(names(model), QStringList({ "Opening", "Take 2", "Take 10" }));
    expectListed(model);
    EXPECT_EQ(model.index(0, 0).data(CollectionModel::KindRole), "title");
    EXPECT_TRUE(model.setData(model.index(0, 0), "Zoom"));
    EXPECT_FALSE(model.setData(model.index(0, 0), "Zoom")) << "a name another title has";
    EXPECT_EQ(names(model), QStringList({ "Take 2", "Take 10", "Zoom" }));
    expectListed(model);
    EXPECT_TRUE(Overlay::removeUserTitle(dynamic_cast<const Overlay::Preset*>(model.item(1))));
    expectListed(model);

    // Another process: saves, a rename, a removal.
    for (const QStringList& step : QList<QStringList> { { "titles", "save", "Credits", "--text", "The end" },
             { "titles", "rename", "Zoom", "Alpha" }, { "titles", "save", "Credits" },
             { "titles", "remove", "Take 2" } }) {
        ASSERT_EQ(host(step).status, 0) << step.join(' ').toStdString();
        expectListed(model);
    }
    // Another process replaces a record: the row stays, with the new contents.
    const int credits = 1;
    ASSERT_EQ(model.index(credits, 0).data().toString(), "Credits");
    const QString file = persistence.recordFile(*dynamic_cast<const Overlay::Preset*>(model.item(credits)));
    QByteArray record = readFile(file);
    ASSERT_TRUE(record.contains("The end"));
    QFile::remove(file);
    ASSERT_TRUE(writeFile(file, record.replace("The end", "Fin")));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return model.index(credits, 0).data(CollectionModel::SummaryRole).toString() == "Fin"; },
        WaitMs));
    EXPECT_EQ(sorted.rowCount(), model.rowCount());
    EXPECT_EQ(resets.count(), 0);
}

TEST_F(LiveFolder, WatchPrintsOneJsonLinePerChangeUntilTerminated)
{
    QProcess watch;
    watch.start(USERCOLLECTION_HOST_PATH, { "--data", root.path(), "--json", "watch" });
    auto nextLine = [&] {
        EXPECT_TRUE(QTest::qWaitFor([&] { return watch.canReadLine(); }, WaitMs));
        const QJsonObject line = QJsonDocument::fromJson(watch.readLine()).object();
        return QStringList { line["change"].toString(), line["kind"].toString(), line["name"].toString(),
            line["previous"].toString() };
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.canReadLine(); }, WaitMs));
    EXPECT_TRUE(QJsonDocument::fromJson(watch.readLine()).object().contains("watching"));

    ASSERT_EQ(host({ "titles", "save", "Opening" }).status, 0);
    EXPECT_EQ(nextLine(), QStringList({ "added", "title", "Opening", "" }));
    ASSERT_EQ(host({ "titles", "rename", "Opening", "Closing" }).status, 0);
    EXPECT_EQ(nextLine(), QStringList({ "renamed", "title", "Closing", "Opening" }));
    ASSERT_EQ(host({ "effects", "save", "equalizer", "Bass", "--set", "band1=6" }).status, 0);
    EXPECT_EQ(nextLine(), QStringList({ "added", "equalizer", "Bass", "" }));
    ASSERT_EQ(host({ "titles", "remove", "Closing" }).status, 0);
    EXPECT_EQ(nextLine(), QStringList({ "removed", "title", "Closing", "" }));

    watch.terminate();
    ASSERT_TRUE(watch.waitForFinished(WaitMs));
    EXPECT_EQ(watch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(watch.exitCode(), 0);
    EXPECT_EQ(watch.readAll(), QByteArray());
}

TEST_F(LiveFolder, WindowSearchesRenamesAndRemovesByKeyboard)
{
    for (const char* name : { "Welcome", "Take 2", "Take 10" })
        ASSERT_EQ(runHost({ "--data", root.path(), "titles", "save", name }).status, 0);
    Browser::BrowserWindow window(root.path());
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ASSERT_TRUE(window.showCollection("titles"));
    QListView* tiles = window.tileView();
    EXPECT_EQ(names(*tiles->model()), QStringList({ "Take 2", "Take 10", "Welcome" }));

    QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(window.searchField()->hasFocus());
    QTest::keyClicks(window.searchField(), "TAKE");
    EXPECT_EQ(names(*tiles->model()), QStringList({ "Take 2", "Take 10" }));

    // Rename in place: F2, a new name, Enter.
    tiles->setFocus();
    tiles->setCurrentIndex(tiles->model()->index(1, 0));
    QTest::keyClick(tiles, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "Take 3");
    QTest::keyClick(editor, Qt::Key_Return); // commits from the event loop
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return names(*tiles->model()) == QStringList({ "Take 2", "Take 3" });
        },
        WaitMs));
    EXPECT_EQ(listedTitles(), QStringList({ "Take 2", "Take 3", "Welcome" }));

    // Delete removes the selected title from the folder.
    tiles->selectionModel()->select(tiles->model()->index(0, 0), QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(tiles, Qt::Key_Delete);
    EXPECT_EQ(listedTitles(), QStringList({ "Take 3", "Welcome" }));

    // A save from the command line shows up in the open window.
    ASSERT_EQ(host({ "titles", "save", "Take 1" }).status, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return names(*tiles->model()).contains("Take 1"); }, WaitMs));
    window.search(QString());
    EXPECT_EQ(names(*tiles->model()), QStringList({ "Take 1", "Take 3", "Welcome" }));
}

} // namespace
} // namespace Testing
