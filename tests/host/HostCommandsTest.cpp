#include "HostProcess.h"

#include <Model/ProjectContent.h>
#include <Model/Timeline.h>
#include <Project/Writer.h>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <Services/CollectionBrowser.h>
#include <TempDataRoot.h>
#include <gtest/gtest.h>

using Services::CollectionBrowser;
using Testing::HostRun;
using Testing::runHost;

namespace {

QStringList names(const QJsonValue& entries)
{
    QStringList result;
    for (const QJsonValue& entry : entries.toArray())
        result << entry["name"].toString();
    return result;
}

QJsonValue entryNamed(const QJsonValue& entries, const QString& name)
{
    for (const QJsonValue& entry : entries.toArray())
        if (entry["name"].toString() == name)
            return entry;
    return QJsonValue();
}

class HostCommands : public ::testing::Test {
protected:
    // Runs a command on the test's data folder that must succeed quietly; its JSON report.
    QJsonObject report(QStringList arguments)
    {
        arguments << "--json"
                  << "--data" << root.path();
        const HostRun result = runHost(arguments);
        EXPECT_EQ(result.status, 0) << arguments.join(' ').toStdString() << ": " << result.err.toStdString();
        EXPECT_EQ(result.err, QString()) << arguments.join(' ').toStdString();
        return result.json();
    }

    QString mediaFile(const QString& name)
    {
        EXPECT_TRUE(Testing::writeFile(media.filePath(name), "not really media"));
        return media.filePath(name);
    }

    Testing::TempDataRoot root;
    QTemporaryDir media;
};

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
    const QString bundle = media.filePath("project.bundle");
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

TEST_F(HostCommands, ShowWritesOnePictureOfTheCollectionAndNoneWhenItIsEmpty)
{
    const QJsonObject empty = report({ "show", "titles" });
    EXPECT_EQ(empty["tiles"].toInt(), 0);
    EXPECT_TRUE(empty["picture"].isNull());
    EXPECT_EQ(root.files(), QStringList());

    for (const char* name : { "One", "Two", "Three", "Four", "Five" })
        report({ "effects", "save", "equalizer", name });
    const QString file = media.filePath("equalizers.png");
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
    ASSERT_TRUE(red.save(media.filePath("red.png")));
    report({ "titles", "save", "Red", "--preview", media.filePath("red.png") });

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
