// Managing saved items through the program: renaming, replacing, finding and the
// pictures that stand for them, each kind the same way.

#include "HostProcess.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

namespace {

class ItemEditing : public Testing::HostTest {
protected:
    // How each kind is saved (followed by the name), listed, and the key of its list.
    struct Kind {
        QString save;
        QString list;
        QString key;
    };
    const QList<Kind> kinds = {
        { "effects save equalizer", "effects list equalizer", "presets" },
        { "titles save", "titles list", "titles" },
        { "intros save", "intros list", "intros" },
        // An import's file name comes first, then --name.
        { "imports save {file} --media {media}/clip.mp4 --name", "imports list", "imports" },
    };

    void SetUp() override { mediaFile("clip.mp4"); }
    QString idOf(const Kind& kind, const QString& name) const
    {
        const QJsonObject listed = report(kind.list);
        const QStringList names = Testing::valueAt(listed, kind.key + "/*/name").split('|');
        return Testing::valueAt(listed, kind.key + "/*/id").split('|').value(names.indexOf(name));
    }
    QString saving(const Kind& kind, const QString& name)
    {
        return QString(kind.save).replace("{file}", QString::number(++files) + ".rec") + " " + name;
    }
    static QString renaming(const Kind& kind, const QString& names)
    {
        return QString(kind.list).replace("list", "rename") + " " + names;
    }

    // The previews stored in the record files of folder, each once.
    QSet<QString> previews(const QString& folder) const
    {
        QSet<QString> found;
        for (const QString& file : root.files().filter(folder + "/"))
            found << QRegularExpression("<preview[^>]*>([^<]*)</preview>")
                         .match(Testing::readFile(at(file)))
                         .captured(1);
        return found;
    }

    int files = 0;
};

TEST_F(ItemEditing, EveryKindRenamesInPlaceByNameOrIdAndRefusesATakenNameUnlessNumbered)
{
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.key.toStdString());
        report(saving(kind, "First"));
        report(saving(kind, "Second"));
        const QString first = idOf(kind, "First"), second = idOf(kind, "Second");
        const QStringList before = root.files();
        expectSession({
            { renaming(kind, "First Second"), { "exit=2", "error~'Second_01' is free" } },
            { renaming(kind, "First Second --number"), {} },
            { renaming(kind, "--id " + second + " \"  Third \""), {} },
            { kind.list,
                { kind.key + "/*/name=Second_01|Third", kind.key + "/*/id=" + first + "|" + second } },
            { renaming(kind, "Third \" \""), { "exit=2" } },
            { renaming(kind, "Gone New"), { "exit=1" } },
        });
        EXPECT_EQ(root.files(), before);
    }
}

TEST_F(ItemEditing, SavesNumberATakenNameOrWithExactRefuseItAndReplaceKeepsThePreset)
{
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.key.toStdString());
        expectSession({
            { saving(kind, "Same"), {} },
            { saving(kind, "\" Same \""), { "name=Same_01" } },
            { saving(kind, "Same --exact"), { "exit=2", "error~'Same_02' is free" } },
            { kind.list, { kind.key + "/*/name=Same|Same_01" } },
        });
    }
    const QString id = idOf(kinds[0], "Same");
    expectSession({
        { "effects save equalizer Same --replace --set band2=5", { "id=" + id } },
        { "effects list equalizer", { "presets/0/id=" + id, "presets/0/settings/band2=5" } },
        { "effects save equalizer Other --replace", { "exit=1" } },
        { "titles remove --id " + idOf(kinds[1], "Same_01"), {} },
        { "titles list", { "titles/*/name=Same" } },
    });
}

TEST_F(ItemEditing, ListFindsItemsOfEveryCollectionInTheOrderPeopleSortOrNewestFirst)
{
    for (const char* name : { "\"Take 10\"", "\"Take 2\"", "Intro" })
        report(QString("titles save ") + name);
    report("effects save enhance \"take 1\"");
    // Saved within one second, the titles are dated apart by hand.
    QDateTime when = QDateTime::currentDateTime().addDays(-1);
    for (const QString& file : root.files().filter("overlays/")) {
        QFile record(at(file));
        ASSERT_TRUE(record.open(QIODevice::ReadWrite));
        ASSERT_TRUE(record.setFileTime(when = when.addSecs(60), QFileDevice::FileModificationTime));
    }

    expectSession({
        { "list --match TAKE",
            { "items/*/name=take 1|Take 2|Take 10", "items/*/kind=enhance|title|title",
                "items/*/collection=video_effects|titles|titles", "items/0/saved~Z" } },
        { "titles list --sort size", { "exit=2" } },
    });

    const QJsonArray byDate = report("titles list --sort date")["titles"].toArray();
    ASSERT_EQ(byDate.size(), 3);
    for (int i = 1; i < byDate.size(); ++i)
        EXPECT_GT(byDate[i - 1]["saved"].toString(), byDate[i]["saved"].toString());
}

TEST_F(ItemEditing, EveryEnhanceSettingAndATitlesTextShowInItsTile)
{
    const QStringList settings = { "brightness=-80", "contrast=80", "saturation=-100", "hue=120", "gamma=0.1",
        "gamma=10", "temperature=90" };
    report("effects save enhance plain");
    for (const QString& setting : settings)
        report("effects save enhance " + setting + " --set " + setting);
    EXPECT_EQ(previews("effects/ManualEnhance").size(), settings.size() + 1);

    report("titles save Hello");
    report("titles save Other --text \"Goodbye, see you\"");
    report("titles save Gold --text Hello --color gold --font Serif");
    EXPECT_EQ(previews("overlays").size(), 3);
}

TEST_F(ItemEditing, PicturesTakeTheFormatOfTheirFileName)
{
    expectSession({
        { "titles save Hello", {} },
        { "show titles --png {media}/titles.jpg", {} },
        { "show titles --png {media}/titles.bmp",
            { "exit=2", "error~cannot write a picture as 'titles.bmp'" } },
    });
    EXPECT_TRUE(Testing::readFile(media.filePath("titles.jpg")).startsWith("\xff\xd8"));
    EXPECT_FALSE(QFile::exists(media.filePath("titles.bmp")));
    const Testing::HostRun version = Testing::runHost({ "--version" });
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith("usercollection ")) << version.out.toStdString();
}

} // namespace
