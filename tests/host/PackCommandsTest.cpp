#include "HostProcess.h"

#include <QDir>
#include <QSet>

namespace {

using PackCommands = Testing::HostTest;

// The names of the items a data folder lists, or a pack report holds, sorted.
QStringList namesIn(const QJsonArray& items)
{
    QStringList names;
    for (const QJsonValue item : items)
        names << item["name"].toString();
    names.sort();
    return names;
}

TEST_F(PackCommands, AnImportListsWhatWasExportedAndASecondImportAddsNothing)
{
    const QString demo = QDir(root.path()).filePath("A");
    const QString pack = QDir(media.path()).filePath("pack.zip");
    ASSERT_EQ(Testing::runHost({ "demo", "--data", demo }).status, 0);
    const QJsonObject exported
        = Testing::runHost({ "export", pack, "--json", "--quiet", "--data", demo }).json();
    // Every kind the demo makes, each item once.
    EXPECT_EQ(exported["exported"].toInt(), 8);
    const QStringList types = Testing::valueAt(exported, "items/*/type").split('|');
    EXPECT_EQ(QSet<QString>(types.begin(), types.end()).size(), 5);

    EXPECT_EQ(report("import " + pack)["imported"].toInt(), 8);
    EXPECT_EQ(namesIn(report("list")["items"].toArray()), namesIn(exported["items"].toArray()));
    const QStringList files = root.files();
    EXPECT_EQ(report("import " + pack)["alreadyThere"].toInt(), 8);
    EXPECT_EQ(root.files(), files);
}

} // namespace
