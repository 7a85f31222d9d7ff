// What each command does, run after run on one data folder, how items are edited and
// how the shell completes command lines. What the program refuses is in tests/hostile.

#include "HostProcess.h"
#include <Model/ProjectContent.h>
#include <Model/Timeline.h>
#include <Project/Writer.h>

namespace {

using Testing::runHost;
using HostCommands = Testing::HostTest;

TEST_F(HostCommands, PresetsAreListedWithTheirSettingsInTheNextRunUntilRemoved)
{
    // Without --data, the data folder comes from the environment.
    const QStringList environment = { "USERCOLLECTION_DATA=" + root.path() };
    ASSERT_EQ(runHost({ "effects", "save", "equalizer", "Über ♪" }, environment).status, 0);
    expectSession({
        { "effects save equalizer \"Bass boost\" --set band1=6 --set preamp=-2.5", { "name=Bass boost" } },
        { "effects save enhance Warm --set gamma=2", { "settings/gamma=2" } },
        { "effects list equalizer",
            { "presets/*/name=Bass boost|Über ♪", "presets/0/settings/band1=6",
                "presets/0/settings/preamp=-2.5", "presets/0/settings/band2=0",
                "presets/1/settings/band1=0" } },
        { "effects list enhance", { "presets/*/name=Warm", "presets/0/settings/gamma=2" } },
        { "effects remove equalizer \"Bass boost\"", { "removed=true" } },
        { "effects list equalizer", { "presets/*/name=Über ♪" } },
    });
    EXPECT_EQ(root.files().size(), 2);
}

TEST_F(HostCommands, IntrosTakeTheirTimelineFromABundleOrMediaFileAndFreeTheirNameWhenRemoved)
{
    Timeline::Object timeline;
    timeline.tracks.push_back({ "video", { { "a.mp4", 0, 4000 }, { "b.mp4", 1000, 4000 } } });
    Project::Content content;
    content.timeline = &timeline;
    ASSERT_TRUE(
        Project::Writer(media.filePath("project.bundle"), Project::BundleBackend::Xml).write(&content));
    mediaFile("clip.mp4");
    expectSession({
        { "intros next-name Opening", { "proposal=Opening" } },
        { "intros save Opening --timeline {media}/project.bundle", { "name=Opening", "durationMs=7000" } },
        { "intros next-name Opening", { "proposal=Opening_01" } },
        { "intros save Opening --timeline {media}/clip.mp4", { "name=Opening_01", "durationMs=5000" } },
        { "intros save Black", { "durationMs=3000" } },
        { "intros remove Opening_01", { "removed=true" } },
        { "intros next-name Opening", { "proposal=Opening_01" } },
        { "intros show", { "shown/collection=intros", "shown/category=intros", "tiles=2" } },
    });
    EXPECT_EQ(root.files().filter("intros/").size(), 4); // a record and a bundle each

    // Moved elsewhere, the data folder works in full.
    QTemporaryDir elsewhere;
    const QString moved = elsewhere.filePath("moved");
    ASSERT_TRUE(QDir().rename(root.path(), moved));
    const QJsonObject listed = runHost({ "intros", "list", "--json", "--data", moved }).json();
    ASSERT_TRUE(QDir().rename(moved, root.path()));
    EXPECT_EQ(Testing::valueAt(listed, "intros/*/name"), "Black|Opening");
    EXPECT_EQ(Testing::valueAt(listed, "intros/1/durationMs"), "7000");
    EXPECT_TRUE(QFileInfo(Testing::valueAt(listed, "intros/1/bundle")).path().startsWith(moved + "/intros/"));
}

TEST_F(HostCommands, AnImportTakesTheMediaNameMadeUniqueAcrossKindsAndTheKindOfItsExtension)
{
    const QString clip = mediaFile("clip.mp4");
    expectSession({
        { "imports save a.rec --media {media}/clip.mp4", { "name=clip", "kind=video" } },
        // The collection keeps one item per id, and the name is the id, so another kind numbers on.
        { "imports save b.rec --kind audio --media {media}/clip.mp4", { "name=clip_01", "kind=audio" } },
        { "imports next-name clip --kind picture", { "proposal=clip_02" } },
        { "imports next-name holiday", { "proposal=holiday" } },
        { "imports remove clip_01 --kind audio", { "removed=true" } },
        { "imports list", { "imports/*/name=clip", "imports/0/kind=video", "imports/0/media=" + clip } },
    });
    EXPECT_EQ(root.files(), QStringList { "imports/a.rec" });
}

TEST_F(HostCommands, HelpAndVersionAreShownAndArgumentsLikeQtOrHelpOptionsReachTheCommandAfterDoubleDash)
{
    EXPECT_TRUE(runHost({ "--version" }).out.startsWith("usercollection "));
    EXPECT_TRUE(runHost({ "--help" }).out.contains("\nCommands:\n  effects "));
    EXPECT_TRUE(runHost({ "imports", "save", "--help" }).out.contains("--media PATH"));
    expectSession({
        { "titles save -- -reverse", { "name=-reverse" } },
        { "titles save -- -h", { "name=-h" } },
        // A title's text is its name unless --text gives one.
        { "titles save Plain --text -reverse", {} },
        { "titles list", { "titles/*/name=-h|-reverse|Plain", "titles/*/text=-h|-reverse|-reverse" } },
    });
    const QStringList files = root.files();
    const Testing::HostRun help = run("titles save -h -- Unsaved");
    EXPECT_EQ(help.status, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.startsWith("Usage: usercollection titles save")) << help.out.toStdString();
    EXPECT_EQ(root.files(), files);
}

// Managing saved items: renaming, replacing and finding, each kind the same way.

class ItemEditing : public Testing::HostTest {
protected:
    // How each kind is saved (followed by the name), listed, and the key of its list.
    struct Kind {
        QString save, list, key;
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

TEST_F(ItemEditing, SavesNumberATakenNameOrWithExactRefuseItReplaceKeepsThePresetAndListFindsEveryKind)
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
        { "titles save \"Take 10\"", {} },
        { "effects save enhance \"take 2\"", {} },
        // In the order people sort, across collections.
        { "list --match TAKE",
            { "items/*/name=take 2|Take 10", "items/*/kind=enhance|title",
                "items/*/collection=video_effects|titles", "items/0/saved~Z" } },
        { "titles list --sort size", { "exit=2" } },
    });
}

// Runs the script the program prints as bash would for a command line whose last word
// is being completed; what it offers, joined by '|'.
class HostCompletion : public Testing::HostTest {
protected:
    static QString complete(const QStringList& words, const QStringList& environment = {})
    {
        QProcess bash;
        bash.setProcessEnvironment(Testing::hostEnvironment(environment));
        bash.start("bash",
            QStringList { "-c",
                "eval \"$(\"$0\" completion bash)\" && COMP_WORDS=(\"$@\") && COMP_CWORD=$(($# - 1)) && "
                "_usercollection \"$0\" && printf '%s\\n' \"${COMPREPLY[@]}\"",
                USERCOLLECTION_HOST_PATH, USERCOLLECTION_HOST_PATH }
                + words);
        EXPECT_TRUE(bash.waitForFinished(60000));
        EXPECT_EQ(bash.exitCode(), 0) << bash.readAllStandardError().toStdString();
        return QString::fromUtf8(bash.readAllStandardOutput()).trimmed().replace('\n', '|');
    }
    // On the data folder: the words of command, then the last word as typed.
    QString completeIn(const QString& command, const QString& typed)
    {
        return complete(QStringList { "--data", root.path() } + command.split(' ') + QStringList(typed));
    }
};

TEST_F(HostCompletion, OffersTheCommandsEffectTypesKindsCollectionsAndTheOptionsOfTheCommand)
{
    // The words typed, the last one being completed.
    const QList<QPair<QString, QString>> rows = {
        { "", "effects|imports|intros|titles|list|show|check|demo|completion" },
        { "--quiet --data /tmp ", "effects|imports|intros|titles|list|show|check|demo|completion" },
        { "i", "imports|intros" },
        { "effects ", "save|list|rename|remove" },
        { "intros ", "save|list|next-name|rename|remove|show" },
        { "effects save ", "equalizer|enhance" },
        { "imports remove --kind ", "file|video|audio|picture" },
        // Bash splits "--kind=" into "--kind" and "=".
        { "imports save x.rec --kind = ", "file|video|audio|picture" },
        { "show ", "imports|intros|titles|audio_effects|video_effects" },
        { "titles save --",
            "--data|--json|--quiet|--version|--help|--text|--font|--color|--background|--preview|--exact" },
    };
    for (const auto& [words, offered] : rows)
        EXPECT_EQ(complete(words.split(' ')), offered) << words.toStdString();
}

TEST_F(HostCompletion, OffersTheSavedNamesOfTheDataFolderTypedOrSetAsTheyAreAndRunsNoneOfThem)
{
    const QString quoted = QStringLiteral("It's \"loud\" \\ here");
    const QString marker = root.path() + "/ran";
    const QString spelled = QStringLiteral("$(touch %1)`touch %1`").arg(marker);
    for (const QStringList& save : { QStringList { "effects", "save", "equalizer", "Bass boost" },
             { "effects", "save", "equalizer", quoted }, { "effects", "save", "enhance", "Warm" },
             { "titles", "save", "Grüße an alle" }, { "titles", "save", spelled } })
        ASSERT_EQ(runHost(save + QStringList { "--data", root.path() }).status, 0);

    EXPECT_EQ(completeIn("effects remove equalizer", ""), "Bass boost|" + quoted);
    EXPECT_EQ(
        complete({ "effects", "remove", "enhance", "" }, { "USERCOLLECTION_DATA=" + root.path() }), "Warm");
    EXPECT_EQ(complete({ "--data=" + root.path(), "titles", "next-name", "G" }), "Grüße an alle");
    // The word as typed, quoting included.
    for (const char* typed : { "Bass\\ b", "\"Bass b", "'Bass b" })
        EXPECT_EQ(completeIn("effects remove equalizer", typed), "Bass boost") << typed;
    EXPECT_EQ(completeIn("effects remove equalizer", "\"It's \\\"l"), quoted);
    EXPECT_EQ(completeIn("intros remove", ""), "");
    EXPECT_EQ(completeIn("titles next-name", ""), spelled + "|Grüße an alle");
    EXPECT_FALSE(QFile::exists(marker));
}

} // namespace
