#include "HostProcess.h"
#include <Model/ProjectContent.h>
#include <Model/Timeline.h>
#include <Project/Writer.h>
#include <Services/CollectionBrowser.h>
#include <TempDataRoot.h>
#include <gmock/gmock.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>

using Services::CollectionBrowser;
using Testing::HostRun;
using Testing::runHost;

namespace {

using Testing::entryNamed;
using Testing::names;
using HostCommands = Testing::HostTest;

TEST_F(HostCommands, PresetsSavedInOneRunAreListedWithTheirSettingsInTheNextUntilRemoved)
{
    const QString id = report(
        { "effects", "save", "equalizer", "Bass boost", "--set", "band1=6", "--set", "preamp=-2.5" })["id"]
                           .toString();
    report({ "effects", "save", "equalizer", QStringLiteral("Bäss ♪") });
    report({ "effects", "save", "enhance", "Warm", "--set", "gamma=2" });

    const QJsonValue equalizers = report({ "effects", "list", "equalizer" })["presets"];
    ASSERT_EQ(equalizers.toArray().size(), 2);
    const QJsonValue bass = entryNamed(equalizers, "Bass boost");
    EXPECT_EQ(bass["id"].toString(), id);
    EXPECT_EQ(bass["settings"]["band1"].toDouble(), 6);
    EXPECT_EQ(bass["settings"]["preamp"].toDouble(), -2.5);
    EXPECT_EQ(bass["settings"]["band2"].toDouble(), 0);
    EXPECT_TRUE(entryNamed(equalizers, QStringLiteral("Bäss ♪")).isObject());

    const QJsonValue enhancements = report({ "effects", "list", "enhance" })["presets"];
    ASSERT_EQ(names(enhancements), QStringList { "Warm" });
    EXPECT_EQ(enhancements[0]["settings"]["gamma"].toDouble(), 2);

    ASSERT_EQ(root.files().size(), 3);
    EXPECT_TRUE(report({ "effects", "remove", "equalizer", "Bass boost" })["removed"].toBool());
    EXPECT_EQ(names(report({ "effects", "list", "equalizer" })["presets"]),
        QStringList { QStringLiteral("Bäss ♪") });
    EXPECT_EQ(root.files().size(), 2);
}

TEST_F(HostCommands, ACopiedRecordIsListedOnceWarnedAboutOnceAndRemovedWithItsTwin)
{
    const QString file = report({ "effects", "save", "equalizer", "Bass" })["file"].toString();
    report({ "titles", "save", "Hello" });
    const QString title = QDir(root.path()).filePath(root.files().last());
    ASSERT_TRUE(QFile::copy(file, file + " (copy)"));
    ASSERT_TRUE(QFile::copy(title, title + " (copy)"));
    const QStringList before = root.files();

    const HostRun listed = runHost({ "effects", "list", "equalizer", "--json", "--data", root.path() });
    ASSERT_EQ(listed.status, 0) << listed.err.toStdString();
    EXPECT_EQ(names(listed.json()["presets"]), QStringList { "Bass" });
    const QStringList warnings = listed.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(file + " (copy)") && warnings[0].contains(file + " "))
        << warnings[0].toStdString();
    EXPECT_EQ(names(report({ "titles", "list" }, false)["titles"]), QStringList { "Hello" });
    EXPECT_EQ(report({ "titles", "next-name", "Hello" }, false)["proposal"].toString(), "Hello_01");
    EXPECT_EQ(report({ "imports", "list" })["imports"].toArray().size(), 0);
    EXPECT_EQ(root.files(), before);

    report({ "effects", "remove", "equalizer", "Bass" }, false);
    EXPECT_FALSE(QFileInfo::exists(file) || QFileInfo::exists(file + " (copy)"));
    EXPECT_EQ(report({ "effects", "list", "equalizer" })["presets"].toArray().size(), 0);
}

TEST_F(HostCommands, IntroNamesAreNumberedAndFreedAgainByRemovalAndTheIntrosAreShown)
{
    EXPECT_EQ(report({ "intros", "next-name", "Opening" })["proposal"].toString(), "Opening");
    EXPECT_EQ(report({ "intros", "save", "Opening" })["name"].toString(), "Opening");
    EXPECT_EQ(report({ "intros", "next-name", "Opening" })["proposal"].toString(), "Opening_01");
    const QJsonObject second = report({ "intros", "save", "Opening" });
    EXPECT_EQ(second["name"].toString(), "Opening_01");
    EXPECT_TRUE(QFileInfo(second["bundle"].toString()).isFile());
    QStringList listed = names(report({ "intros", "list" })["intros"]);
    listed.sort();
    EXPECT_EQ(listed, (QStringList { "Opening", "Opening_01" }));

    report({ "intros", "remove", "Opening_01" });
    EXPECT_EQ(names(report({ "intros", "list" })["intros"]), QStringList { "Opening" });
    EXPECT_FALSE(QFileInfo::exists(second["folder"].toString()));
    EXPECT_EQ(report({ "intros", "next-name", "Opening" })["proposal"].toString(), "Opening_01");

    const QJsonObject shown = report({ "intros", "show" });
    EXPECT_EQ(shown["shown"]["collection"].toString(), "intros");
    EXPECT_EQ(shown["shown"]["category"].toString(), "intros");
    EXPECT_EQ(shown["tiles"].toInt(), 1);
    EXPECT_TRUE(QFileInfo(shown["picture"].toString()).isFile());
}

TEST_F(HostCommands, IntroTimelineComesFromABundleOrFromAMediaFile)
{
    Timeline::Object timeline;
    timeline.tracks.push_back({ "video", { { "a.mp4", 0, 4000 }, { "b.mp4", 1000, 4000 } } });
    Project::Content content;
    content.timeline = &timeline;
    const QString bundle = QDir(media.path()).filePath("project.bundle");
    ASSERT_TRUE(Project::Writer(bundle, Project::BundleBackend::Xml).write(&content));

    EXPECT_EQ(
        report({ "intros", "save", "From bundle", "--timeline", bundle })["durationMs"].toDouble(), 7000);
    EXPECT_EQ(report({ "intros", "save", "From clip", "--timeline", mediaFile("clip.mp4") })["durationMs"]
                  .toDouble(),
        5000);
    EXPECT_EQ(
        entryNamed(report({ "intros", "list" })["intros"], "From bundle")["durationMs"].toDouble(), 7000);
}

TEST_F(HostCommands, ImportTakesTheMediaNameMadeUniqueAcrossKinds)
{
    const QString clip = mediaFile("clip.mp4");
    const QJsonObject first = report({ "imports", "save", "a.rec", "--media", clip });
    EXPECT_EQ(first["name"].toString(), "clip");
    EXPECT_EQ(first["kind"].toString(), "video");
    EXPECT_EQ(report({ "imports", "save", "b.rec", "--media", clip })["name"].toString(), "clip_01");
    // The collection keeps one item per id, and the name is the id, so another kind numbers on.
    EXPECT_EQ(report({ "imports", "save", "c.rec", "--media", clip, "--kind", "audio" })["name"].toString(),
        "clip_02");
    EXPECT_EQ(
        report({ "imports", "next-name", "clip", "--kind", "picture" })["proposal"].toString(), "clip_03");
    EXPECT_EQ(report({ "imports", "next-name", "holiday" })["proposal"].toString(), "holiday");

    report({ "imports", "remove", "clip_02", "--kind", "audio" });
    const QJsonValue listed = report({ "imports", "list" })["imports"];
    EXPECT_EQ(names(listed), (QStringList { "clip", "clip_01" }));
    for (const QJsonValue& entry : listed.toArray()) {
        EXPECT_EQ(entry["kind"].toString(), "video");
        EXPECT_EQ(entry["media"].toString(), clip);
    }
    EXPECT_EQ(root.files(), (QStringList { "imports/a.rec", "imports/b.rec" }));
}

TEST_F(HostCommands, TitlesAreNumberedAndKeepTheirText)
{
    EXPECT_EQ(report({ "titles", "save", "Welcome", "--text", "Hello there" })["name"].toString(), "Welcome");
    EXPECT_EQ(report({ "titles", "save", "Welcome" })["name"].toString(), "Welcome_01");
    EXPECT_EQ(report({ "titles", "next-name", "Welcome" })["proposal"].toString(), "Welcome_02");

    const QJsonValue listed = report({ "titles", "list" })["titles"];
    ASSERT_EQ(listed.toArray().size(), 2);
    EXPECT_EQ(entryNamed(listed, "Welcome")["text"].toString(), "Hello there");
    EXPECT_EQ(entryNamed(listed, "Welcome_01")["text"].toString(), "Welcome");
}

TEST_F(HostCommands, ArgumentsThatLookLikeQtOrHelpOptionsReachTheCommandAfterDoubleDashOrAsValues)
{
    const QStringList options = { "--json", "--data", root.path() };
    for (const char* name : { "-reverse", "-platform", "-h" }) {
        const HostRun saved = runHost(options + QStringList { "titles", "save", "--", name });
        EXPECT_EQ(saved.status, 0) << name << ": " << saved.err.toStdString();
        EXPECT_EQ(saved.json()["name"].toString(), name) << saved.out.toStdString();
    }
    report({ "titles", "save", "Plain", "--text", "-reverse" });

    const QJsonValue listed = report({ "titles", "list" })["titles"];
    QStringList listedNames = names(listed);
    listedNames.sort();
    EXPECT_EQ(listedNames, (QStringList { "-h", "-platform", "-reverse", "Plain" }));
    EXPECT_EQ(entryNamed(listed, "-h")["text"].toString(), "-h");
    EXPECT_EQ(entryNamed(listed, "Plain")["text"].toString(), "-reverse");

    const QStringList files = root.files();
    const HostRun help = runHost(options + QStringList { "titles", "save", "-h", "--", "Unsaved" });
    EXPECT_EQ(help.status, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.startsWith("Usage: usercollection titles save")) << help.out.toStdString();
    EXPECT_EQ(root.files(), files);
}

TEST_F(HostCommands, ShowWritesOnePictureOfTheCollectionAndRefusesAnEmptyOne)
{
    const HostRun empty = runHost({ "show", "titles", "--data", root.path() });
    EXPECT_EQ(empty.status, 1);
    EXPECT_THAT(empty.err.toStdString(), testing::HasSubstr("is empty"));
    EXPECT_EQ(root.files(), QStringList());

    for (const char* name : { "One", "Two", "Three", "Four", "Five" })
        report({ "effects", "save", "equalizer", name });
    const QString file = QDir(media.path()).filePath("equalizers.png");
    const QJsonObject shown = report({ "show", "audio_effects", "--png", file });
    EXPECT_EQ(shown["tiles"].toInt(), 5);
    EXPECT_EQ(shown["shown"]["collection"].toString(), "audio_effects");
    EXPECT_EQ(QImage(file).size(),
        QSize(CollectionBrowser::Columns * CollectionBrowser::TileWidth,
            CollectionBrowser::TitleHeight + 2 * CollectionBrowser::TileHeight));
}

TEST_F(HostCommands, TitleSavedWithAPreviewShowsThatPreview)
{
    QImage red(40, 40, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QDir(media.path()).filePath("red.png")));
    report({ "titles", "save", "Red", "--preview", QDir(media.path()).filePath("red.png") });

    ASSERT_EQ(report({ "show", "titles" })["tiles"].toInt(), 1);
    const QImage image(QDir(root.path()).filePath("pictures/titles.png"));
    const QRect tile = CollectionBrowser::tileRect(0);
    EXPECT_EQ(image.pixelColor(tile.center().x(), tile.top() + 6 + CollectionBrowser::PreviewSize / 2),
        QColor(Qt::red));
}

TEST_F(HostCommands, DemoFillsTheDataFolderOrANewTemporaryOneAndReportsWhatItLeft)
{
    const QString folder = QDir(root.path()).filePath("demo");
    const HostRun run = runHost({ "demo", "--json", "--data", folder });
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonObject demo = run.json();

    EXPECT_EQ(demo["dataFolder"].toString(), folder);
    EXPECT_EQ(demo["pictures"].toArray().size(), 5);
    for (const QJsonValue& picture : demo["pictures"].toArray())
        EXPECT_FALSE(QImage(picture.toString()).isNull()) << picture.toString().toStdString();
    for (const QJsonValue& path : demo["folders"].toObject())
        EXPECT_TRUE(QFileInfo(path.toString()).isDir()) << path.toString().toStdString();
    EXPECT_EQ(names(runHost({ "intros", "list", "--json", "--data", folder }).json()["intros"]),
        QStringList { "Opening" });
    EXPECT_EQ(names(runHost({ "effects", "list", "equalizer", "--json", "--data", folder }).json()["presets"])
                  .size(),
        2);

    QTemporaryDir temporary;
    const HostRun elsewhere = runHost({ "demo", "--json" }, { "TMPDIR=" + temporary.path() });
    ASSERT_EQ(elsewhere.status, 0) << elsewhere.err.toStdString();
    EXPECT_EQ(QFileInfo(elsewhere.json()["dataFolder"].toString()).dir(), QDir(temporary.path()));
}

TEST_F(HostCommands, DemoEndsWithACommandTheShellRunsAsItIs)
{
    const QString folder = QDir(root.path()).filePath("it's a demo");
    const HostRun demo = runHost({ "demo", "--data", folder });
    ASSERT_EQ(demo.status, 0) << demo.err.toStdString();
    const QString suggestion = demo.out.trimmed().section('\n', -1).section("Try: ", 1);
    ASSERT_FALSE(suggestion.isEmpty()) << demo.out.toStdString();

    QProcess shell;
    shell.start("sh", { "-c", suggestion });
    ASSERT_TRUE(shell.waitForFinished(60000));
    EXPECT_EQ(shell.exitCode(), 0) << suggestion.toStdString();
    EXPECT_TRUE(shell.readAllStandardOutput().contains("Opening")) << suggestion.toStdString();

    // Found on PATH, the program is suggested by its name.
    QTemporaryDir bin;
    ASSERT_TRUE(QFile::link(USERCOLLECTION_HOST_PATH, bin.filePath("usercollection")));
    const HostRun onPath = runHost({ "demo" }, { "PATH=" + bin.path() + ":" + qEnvironmentVariable("PATH") });
    ASSERT_EQ(onPath.status, 0) << onPath.err.toStdString();
    EXPECT_TRUE(onPath.out.trimmed().section('\n', -1).startsWith("Try: usercollection --data "))
        << onPath.out.toStdString();
    QDir(onPath.out.section("Data folder: ", 1).section('\n', 0, 0)).removeRecursively();
}

TEST_F(HostCommands, DataFolderComesFromTheEnvironmentWithoutDataOption)
{
    const HostRun saved
        = runHost({ "effects", "save", "equalizer", "Here" }, { "USERCOLLECTION_DATA=" + root.path() });
    ASSERT_EQ(saved.status, 0) << saved.err.toStdString();
    ASSERT_EQ(root.files().size(), 1);
    EXPECT_TRUE(root.files().first().startsWith("effects/AudioEqualizer/{"));
}

TEST_F(HostCommands, HelpDescribesTheProgramAndEveryCommand)
{
    const HostRun program = runHost({ "--help" });
    EXPECT_EQ(program.status, 0);
    EXPECT_TRUE(program.out.contains("Commands:"));
    for (const char* command : { "effects", "imports", "intros", "titles", "show", "demo" }) {
        const HostRun help = runHost({ command, "--help" });
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_TRUE(help.out.contains(QStringLiteral("usercollection ") + command)) << help.out.toStdString();
    }
    EXPECT_TRUE(runHost({ "imports", "save", "--help" }).out.contains("--media PATH"));
    EXPECT_EQ(root.files(), QStringList());
}

} // namespace
