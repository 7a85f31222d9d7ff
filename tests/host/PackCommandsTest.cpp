#include "HostProcess.h"

#include <QDir>

namespace {

using PackCommands = Testing::HostTest;

// The items of a data folder as the program lists them: kind, collection and name.
QStringList listed(const QString& folder)
{
    QStringList items;
    for (const QJsonValue item :
        Testing::runHost({ "list", "--json", "--data", folder }).json()["items"].toArray())
        items << item["kind"].toString() + '|' + item["collection"].toString() + '|'
                + item["name"].toString();
    return items;
}

TEST_F(PackCommands, TheDemoFolderExportedAndImportedListsTheSameItemsAndASecondImportAddsNothing)
{
    const QString demo = QDir(root.path()).filePath("A");
    const QString pack = QDir(media.path()).filePath("pack.zip");
    ASSERT_EQ(Testing::runHost({ "demo", "--data", demo }).status, 0);
    const int exported = Testing::runHost({ "export", pack, "--json", "--quiet", "--data", demo })
                             .json()["exported"]
                             .toInt();
    EXPECT_GT(exported, 5);

    EXPECT_EQ(report("import " + pack)["imported"].toInt(), exported);
    EXPECT_EQ(listed(root.path()), listed(demo));
    const QStringList files = root.files();
    EXPECT_EQ(report("import " + pack)["alreadyThere"].toInt(), exported);
    EXPECT_EQ(root.files(), files);
}

} // namespace
