// Managing saved items through the program: renaming, replacing, finding and the
// pictures that stand for them, each kind the same way.

#include "HostProcess.h"
#include <gmock/gmock.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

namespace {

using ::testing::ElementsAre;
using Testing::entryNamed;
using ::testing::HasSubstr;
using Testing::HostRun;
using Testing::names;

class ItemEditing : public Testing::HostTest {
protected:
    // A command that saves an item called name of the kind, its list command and key.
    struct Kind {
        QStringList save;
        QStringList list;
        QString key;
    };
    QList<Kind> kinds()
    {
        return {
            { { "effects", "save", "equalizer" }, { "effects", "list", "equalizer" }, "presets" },
            { { "titles", "save" }, { "titles", "list" }, "titles" },
            { { "intros", "save" }, { "intros", "list" }, "intros" },
            // An import's name is given with --name; its file name comes first.
            { { "imports", "save", "--media", mediaFile("clip.mp4"), "--name" }, { "imports", "list" },
                "imports" },
        };
    }
    QJsonArray listed(const Kind& kind) { return report(kind.list)[kind.key].toArray(); }
    QString idOf(const Kind& kind, const QString& name)
    {
        return entryNamed(listed(kind), name)["id"].toString();
    }
    void save(const Kind& kind, const QString& name)
    {
        report(withFileName(kind.save + QStringList { name }));
    }
    QStringList withFileName(QStringList save)
    {
        if (save[0] == "imports")
            save.insert(2, QStringLiteral("%1.rec").arg(++imports));
        return save;
    }
    static QStringList renameOf(const Kind& kind)
    {
        return QStringList(kind.list).replaceInStrings("list", "rename");
    }

    // The preview stored in each record file of folder, in file order.
    QStringList previews(const QString& folder) const
    {
        QStringList found;
        const QRegularExpression preview("<preview[^>]*>([^<]*)</preview>");
        for (const QString& file :
            QDir(QDir(root.path()).filePath(folder)).entryList(QDir::Files, QDir::Name))
            found += preview.match(Testing::readFile(QDir(root.path()).filePath(folder + "/" + file)))
                         .captured(1);
        return found;
    }

    int imports = 0;
};

TEST_F(ItemEditing, EveryKindRenamesInPlaceByNameOrIdAndRefusesATakenNameUnlessNumbered)
{
    for (const Kind& kind : kinds()) {
        SCOPED_TRACE(kind.key.toStdString());
        save(kind, "First");
        save(kind, "Second");
        const QString first = idOf(kind, "First"), second = idOf(kind, "Second");
        const QStringList files = root.files();

        const HostRun taken = run(renameOf(kind) + QStringList { "First", "Second" });
        EXPECT_EQ(taken.status, 2);
        EXPECT_THAT(taken.err.toStdString(), HasSubstr("'Second_01' is free"));
        report(renameOf(kind) + QStringList { "First", "Second", "--number" });
        report(renameOf(kind) + QStringList { "--id", second, "  Third " });

        EXPECT_EQ(root.files(), files);
        EXPECT_EQ(idOf(kind, "Second_01"), first);
        EXPECT_EQ(idOf(kind, "Third"), second);
        EXPECT_EQ(run(renameOf(kind) + QStringList { "Third", " " }).status, 2);
        EXPECT_EQ(run(renameOf(kind) + QStringList { "Gone", "New" }).status, 1);
    }
}

TEST_F(ItemEditing, SavesNumberATakenNameOrWithExactRefuseItAndReplaceKeepsThePreset)
{
    for (const Kind& kind : kinds()) {
        SCOPED_TRACE(kind.key.toStdString());
        save(kind, "Same");
        save(kind, " Same ");
        EXPECT_EQ(run(withFileName(kind.save + QStringList { "Same", "--exact" })).status, 2);
        EXPECT_THAT(names(listed(kind)), ElementsAre("Same", "Same_01"));
    }

    const QString id = idOf(kinds()[0], "Same");
    const QJsonObject replaced
        = report({ "effects", "save", "equalizer", "Same", "--replace", "--set", "band2=5" });
    EXPECT_EQ(replaced["id"].toString(), id);
    EXPECT_EQ(entryNamed(listed(kinds()[0]), "Same")["settings"]["band2"].toDouble(), 5);
    EXPECT_EQ(run({ "effects", "save", "equalizer", "Other", "--replace" }).status, 1);

    report({ "titles", "remove", "--id", idOf(kinds()[1], "Same_01") });
    EXPECT_THAT(names(listed(kinds()[1])), ElementsAre("Same"));
}

TEST_F(ItemEditing, ListFindsItemsOfEveryCollectionInTheOrderPeopleSortOrNewestFirst)
{
    for (const char* name : { "Take 10", "Take 2", "Intro" })
        report({ "titles", "save", name });
    report({ "effects", "save", "enhance", "take 1" });
    // Saved within one second, the titles are dated apart by hand.
    QDateTime when = QDateTime::currentDateTime().addDays(-1);
    for (const QString& file : root.files().filter("overlays/")) {
        QFile record(QDir(root.path()).filePath(file));
        ASSERT_TRUE(record.open(QIODevice::ReadWrite));
        ASSERT_TRUE(record.setFileTime(when = when.addSecs(60), QFileDevice::FileModificationTime));
    }

    const QJsonArray found = report({ "list", "--match", "TAKE" })["items"].toArray();
    EXPECT_THAT(names(found), ElementsAre("take 1", "Take 2", "Take 10"));
    EXPECT_EQ(found[0]["kind"].toString(), "enhance");
    EXPECT_EQ(found[0]["collection"].toString(), "video_effects");
    EXPECT_EQ(found[1]["collection"].toString(), "titles");
    EXPECT_TRUE(found[0]["saved"].toString().endsWith('Z'));

    const QJsonArray byDate = report({ "titles", "list", "--sort", "date" })["titles"].toArray();
    ASSERT_EQ(byDate.size(), 3);
    for (int i = 1; i < byDate.size(); ++i)
        EXPECT_GT(byDate[i - 1]["saved"].toString(), byDate[i]["saved"].toString());
    EXPECT_EQ(run({ "titles", "list", "--sort", "size" }).status, 2);
}

TEST_F(ItemEditing, EveryEnhanceSettingAndATitlesTextShowInItsTile)
{
    const QStringList settings = { "brightness=-80", "contrast=80", "saturation=-100", "hue=120", "gamma=0.1",
        "gamma=10", "temperature=90" };
    report({ "effects", "save", "enhance", "plain" });
    for (const QString& setting : settings)
        report({ "effects", "save", "enhance", setting, "--set", setting });
    const QStringList enhance = previews("effects/ManualEnhance");
    EXPECT_EQ(QSet<QString>(enhance.begin(), enhance.end()).size(), settings.size() + 1);

    report({ "titles", "save", "Hello" });
    report({ "titles", "save", "Other", "--text", "Goodbye, see you" });
    report({ "titles", "save", "Gold", "--text", "Hello", "--color", "gold", "--font", "Serif" });
    const QStringList titles = previews("overlays");
    EXPECT_EQ(QSet<QString>(titles.begin(), titles.end()).size(), 3);
}

TEST_F(ItemEditing, ErrorsAreJsonUnderJsonAndPicturesTakeTheirFilesFormat)
{
    const HostRun error = run({ "titles", "remove", "Nothing", "--json" });
    EXPECT_EQ(error.status, 1);
    EXPECT_EQ(error.json()["exit"].toInt(), 1);
    EXPECT_THAT(error.json()["error"].toString().toStdString(), HasSubstr("no title called 'Nothing'"));
    EXPECT_EQ(run({ "list", "--sort", "size", "--json" }).json()["exit"].toInt(), 2);

    report({ "titles", "save", "Hello" });
    const QString jpeg = QDir(media.path()).filePath("titles.jpg");
    report({ "show", "titles", "--png", jpeg });
    EXPECT_TRUE(Testing::readFile(jpeg).startsWith("\xff\xd8"));
    EXPECT_EQ(run({ "show", "titles", "--png", QDir(media.path()).filePath("titles.bmp") }).status, 2);
    EXPECT_FALSE(QFile::exists(QDir(media.path()).filePath("titles.bmp")));

    const HostRun version = Testing::runHost({ "--version" });
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith("usercollection ")) << version.out.toStdString();
}

} // namespace
