#include "HostProcess.h"
#include <TempDataRoot.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>

using Testing::runHost;

namespace {

using PackCommands = Testing::HostTest;

// The items of a data folder as the program lists them: kind, collection and name.
QStringList listed(const QString& folder)
{
    QStringList items;
    for (const QJsonValue& item : runHost({ "list", "--json", "--data", folder }).json()["items"].toArray())
        items << item["kind"].toString() + '|' + item["collection"].toString() + '|'
                + item["name"].toString();
    return items;
}

TEST_F(PackCommands, TheDemoFolderExportedAndImportedListsTheSameItemsAndASecondImportAddsNothing)
{
    const QString demo = QDir(root.path()).filePath("A");
    const QString pack = QDir(media.path()).filePath("pack.zip");
    ASSERT_EQ(runHost({ "demo", "--data", demo }).status, 0);
    const QJsonObject exported = runHost({ "export", pack, "--json", "--quiet", "--data", demo }).json();
    EXPECT_GT(exported["exported"].toInt(), 5);

    const QJsonObject first = report({ "import", pack });
    EXPECT_EQ(first["imported"].toInt(), exported["exported"].toInt());
    EXPECT_EQ(listed(root.path()), listed(demo));
    const QStringList files = root.files();

    const QJsonObject second = report({ "import", pack });
    EXPECT_EQ(second["alreadyThere"].toInt(), exported["exported"].toInt());
    EXPECT_EQ(second["imported"].toInt() + second["renamed"].toInt(), 0);
    EXPECT_EQ(root.files(), files);
}

} // namespace
