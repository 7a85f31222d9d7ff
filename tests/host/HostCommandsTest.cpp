// What each command does, run after run on one data folder. What the program refuses
// is in tests/hostile.

#include "HostProcess.h"
#include <Model/ProjectContent.h>
#include <Model/Timeline.h>
#include <Project/Writer.h>

#include <QFileInfo>
#include <QImage>
#include <QProcess>

namespace {

using Testing::HostRun;
using Testing::runHost;
using HostCommands = Testing::HostTest;

TEST_F(HostCommands, PresetsAreListedWithTheirSettingsInTheNextRunUntilRemoved)
{
    // Without --data, the data folder comes from the environment.
    ASSERT_EQ(runHost({ "effects", "save", "equalizer", "Über ♪" }, { "USERCOLLECTION_DATA=" + root.path() })
                  .status,
        0);
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

TEST_F(HostCommands, ArgumentsThatLookLikeQtOrHelpOptionsReachTheCommandAfterDoubleDashOrAsValues)
{
    expectSession({
        { "titles save -- -reverse", { "name=-reverse" } },
        { "titles save -- -platform", { "name=-platform" } },
        { "titles save -- -h", { "name=-h" } },
        // A title's text is its name unless --text gives one.
        { "titles save Plain --text -reverse", {} },
        { "titles list",
            { "titles/*/name=-h|-platform|-reverse|Plain", "titles/*/text=-h|-platform|-reverse|-reverse" } },
    });
    const QStringList files = root.files();
    const HostRun help = run("titles save -h -- Unsaved");
    EXPECT_EQ(help.status, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.startsWith("Usage: usercollection titles save")) << help.out.toStdString();
    EXPECT_EQ(root.files(), files);
}

TEST_F(HostCommands, ShowDrawsATileForEachItemOfTheCollectionWithTheItemsOwnPreview)
{
    for (const char* name : { "One", "Two", "Three", "Four", "Five" })
        report(QString("effects save equalizer ") + name);
    QImage red(40, 40, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(media.filePath("red.png")));
    expectSession({
        { "effects save equalizer Loud --collection titles", {} },
        { "titles save Red --preview {media}/red.png", {} },
        { "show audio_effects --png {media}/equalizers.png",
            { "tiles=5", "shown/collection=audio_effects" } },
        // A collection holds items of its own type only.
        { "show titles", { "tiles=1" } },
    });
    // Four tiles of 120 x 116 a row, below a title line of 28.
    EXPECT_EQ(QImage(media.filePath("equalizers.png")).size(), QSize(480, 260));
    // The middle of the first tile's preview.
    EXPECT_EQ(QImage(at("pictures/titles.png")).pixelColor(60, 74), QColor(Qt::red));
}

TEST_F(HostCommands, DemoFillsTheDataFolderOrANewOneAndEndsWithACommandTheShellRunsAsItIs)
{
    const HostRun json = run("demo --json");
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    EXPECT_EQ(json.json()["dataFolder"].toString(), root.path());
    EXPECT_EQ(json.json()["pictures"].toArray().size(), 5);
    for (const QJsonValue& picture : json.json()["pictures"].toArray())
        EXPECT_FALSE(QImage(picture.toString()).isNull()) << picture.toString().toStdString();
    for (const QJsonValue& path : json.json()["folders"].toObject())
        EXPECT_TRUE(QFileInfo(path.toString()).isDir()) << path.toString().toStdString();

    // Without --data, a new folder in the temporary one; found on PATH, the program is
    // suggested by its name.
    QTemporaryDir temporary(QDir::temp().filePath("it's a demo-XXXXXX")), bin;
    ASSERT_TRUE(QFile::link(USERCOLLECTION_HOST_PATH, bin.filePath("usercollection")));
    const QStringList environment
        = { "TMPDIR=" + temporary.path(), "PATH=" + bin.path() + ":" + qEnvironmentVariable("PATH") };
    const HostRun text = runHost({ "demo" }, environment);
    ASSERT_EQ(text.status, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.startsWith("Data folder: " + temporary.path() + "/")) << text.out.toStdString();
    const QString suggestion = text.out.trimmed().section('\n', -1).section("Try: ", 1);
    EXPECT_TRUE(suggestion.startsWith("usercollection --data ")) << text.out.toStdString();
    QProcess shell;
    shell.setProcessEnvironment(Testing::hostEnvironment(environment));
    shell.start("sh", { "-c", suggestion });
    ASSERT_TRUE(shell.waitForFinished(60000));
    EXPECT_EQ(shell.exitCode(), 0) << suggestion.toStdString();
    EXPECT_TRUE(shell.readAllStandardOutput().contains("Opening")) << suggestion.toStdString();
}

} // namespace
