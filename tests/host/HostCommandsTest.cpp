#include "HostProcess.h"

#include <Model/ProjectContent.h>
#include <Model/Timeline.h>
#include <Project/Writer.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QTemporaryDir>
#include <Services/CollectionBrowser.h>
#include <TempDataRoot.h>
#include <gtest/gtest.h>

using Services::CollectionBrowser;
using Testing::HostRun;
using Testing::runHost;

namespace {

QStringList names(const QJsonArray& entries)
{
    QStringList result;
    for (const QJsonValue& entry : entries)
        result << entry[QStringLiteral("name")].toString();
    return result;
}

QJsonObject entryNamed(const QJsonArray& entries, const QString& name)
{
    for (const QJsonValue& entry : entries) {
        if (entry[QStringLiteral("name")].toString() == name)
            return entry.toObject();
    }
    return QJsonObject();
}

class HostCommands : public ::testing::Test {
protected:
    HostRun run(QStringList arguments)
    {
        arguments << QStringLiteral("--data") << root.path();
        return runHost(arguments);
    }

    // Runs a command that must succeed quietly; its JSON report.
    QJsonObject report(QStringList arguments)
    {
        arguments << QStringLiteral("--json");
        const HostRun result = run(arguments);
        EXPECT_EQ(result.status, 0) << arguments.join(' ').toStdString() << ": " << result.err.toStdString();
        EXPECT_EQ(result.err, QString()) << arguments.join(' ').toStdString();
        return result.json();
    }

    QString mediaFile(const QString& name, const QByteArray& contents = "not really media")
    {
        const QString path = media.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
        return path;
    }

    QString picture(const QString& name, const QColor& colour)
    {
        QImage image(40, 40, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = media.filePath(name);
        EXPECT_TRUE(image.save(path));
        return path;
    }

    Testing::TempDataRoot root;
    QTemporaryDir media;
};

TEST_F(HostCommands, PresetsSavedInOneRunAreListedWithTheirSettingsInTheNext)
{
    const QString id = report({ "effects", "save", "equalizer", "Bass boost", "--set", "band1=6", "--set",
        "preamp=-2.5" })[QStringLiteral("id")]
                           .toString();
    report({ "effects", "save", "equalizer", QStringLiteral("Bäss ♪") });
    report({ "effects", "save", "enhance", "Warm", "--set", "gamma=2" });

    const QJsonArray equalizers
        = report({ "effects", "list", "equalizer" })[QStringLiteral("presets")].toArray();
    ASSERT_EQ(equalizers.size(), 2);
    const QJsonObject bass = entryNamed(equalizers, QStringLiteral("Bass boost"));
    EXPECT_EQ(bass[QStringLiteral("id")].toString(), id);
    const QJsonObject settings = bass[QStringLiteral("settings")].toObject();
    EXPECT_EQ(settings[QStringLiteral("band1")].toDouble(), 6);
    EXPECT_EQ(settings[QStringLiteral("preamp")].toDouble(), -2.5);
    EXPECT_EQ(settings[QStringLiteral("band2")].toDouble(), 0);
    EXPECT_FALSE(entryNamed(equalizers, QStringLiteral("Bäss ♪")).isEmpty());

    const QJsonArray enhancements
        = report({ "effects", "list", "enhance" })[QStringLiteral("presets")].toArray();
    ASSERT_EQ(names(enhancements), QStringList { "Warm" });
    EXPECT_EQ(enhancements[0][QStringLiteral("settings")][QStringLiteral("gamma")].toDouble(), 2);
}

TEST_F(HostCommands, RemovedPresetLeavesTheListAndTheDisk)
{
    report({ "effects", "save", "equalizer", "Keep" });
    report({ "effects", "save", "equalizer", "Drop" });
    ASSERT_EQ(root.files().size(), 2);

    EXPECT_TRUE(report({ "effects", "remove", "equalizer", "Drop" })[QStringLiteral("removed")].toBool());

    EXPECT_EQ(names(report({ "effects", "list", "equalizer" })[QStringLiteral("presets")].toArray()),
        QStringList { "Keep" });
    EXPECT_EQ(root.files().size(), 1);
}

TEST_F(HostCommands, IntroNamesAreNumberedAndFreedAgainByRemoval)
{
    EXPECT_EQ(report({ "intros", "next-name", "Opening" })[QStringLiteral("proposal")].toString(), "Opening");
    EXPECT_EQ(report({ "intros", "save", "Opening" })[QStringLiteral("name")].toString(), "Opening");
    EXPECT_EQ(
        report({ "intros", "next-name", "Opening" })[QStringLiteral("proposal")].toString(), "Opening_01");
    const QJsonObject second = report({ "intros", "save", "Opening" });
    EXPECT_EQ(second[QStringLiteral("name")].toString(), "Opening_01");
    EXPECT_TRUE(QFileInfo(second[QStringLiteral("bundle")].toString()).isFile());

    QStringList listed = names(report({ "intros", "list" })[QStringLiteral("intros")].toArray());
    listed.sort();
    EXPECT_EQ(listed, (QStringList { "Opening", "Opening_01" }));

    report({ "intros", "remove", "Opening_01" });
    EXPECT_EQ(
        names(report({ "intros", "list" })[QStringLiteral("intros")].toArray()), QStringList { "Opening" });
    EXPECT_FALSE(QFileInfo::exists(second[QStringLiteral("folder")].toString()));
    EXPECT_EQ(
        report({ "intros", "next-name", "Opening" })[QStringLiteral("proposal")].toString(), "Opening_01");
}

TEST_F(HostCommands, IntroTimelineComesFromABundleOrFromAMediaFile)
{
    Timeline::Object timeline;
    timeline.tracks.push_back({ "video", { { "a.mp4", 0, 4000 }, { "b.mp4", 1000, 4000 } } });
    Project::Content content;
    content.timeline = &timeline;
    const QString bundle = media.filePath(QStringLiteral("project.bundle"));
    ASSERT_TRUE(Project::Writer(bundle, Project::BundleBackend::Xml).write(&content));

    EXPECT_EQ(report({ "intros", "save", "From bundle", "--timeline", bundle })[QStringLiteral("durationMs")]
                  .toDouble(),
        7000);
    EXPECT_EQ(report({ "intros", "save", "From clip", "--timeline",
                  mediaFile(QStringLiteral("clip.mp4")) })[QStringLiteral("durationMs")]
                  .toDouble(),
        5000);

    const QJsonArray listed = report({ "intros", "list" })[QStringLiteral("intros")].toArray();
    EXPECT_EQ(
        entryNamed(listed, QStringLiteral("From bundle"))[QStringLiteral("durationMs")].toDouble(), 7000);
}

TEST_F(HostCommands, ImportTakesTheMediaNameMadeUniqueAcrossKinds)
{
    const QString clip = mediaFile(QStringLiteral("clip.mp4"));
    const QJsonObject first = report({ "imports", "save", "a.rec", "--media", clip });
    EXPECT_EQ(first[QStringLiteral("name")].toString(), "clip");
    EXPECT_EQ(first[QStringLiteral("kind")].toString(), "video");
    EXPECT_EQ(report({ "imports", "save", "b.rec", "--media", clip })[QStringLiteral("name")].toString(),
        "clip_01");
    // The collection keeps one item per id, and the name is the id, so another kind numbers on.
    EXPECT_EQ(
        report({ "imports", "save", "c.rec", "--media", clip, "--kind", "audio" })[QStringLiteral("name")]
            .toString(),
        "clip_02");
    EXPECT_EQ(report({ "imports", "next-name", "clip", "--kind", "picture" })[QStringLiteral("proposal")]
                  .toString(),
        "clip_03");
    EXPECT_EQ(
        report({ "imports", "next-name", "holiday" })[QStringLiteral("proposal")].toString(), "holiday");

    report({ "imports", "remove", "clip_02", "--kind", "audio" });
    const QJsonArray listed = report({ "imports", "list" })[QStringLiteral("imports")].toArray();
    EXPECT_EQ(names(listed), (QStringList { "clip", "clip_01" }));
    for (const QJsonValue& entry : listed) {
        EXPECT_EQ(entry[QStringLiteral("kind")].toString(), "video");
        EXPECT_EQ(entry[QStringLiteral("media")].toString(), clip);
    }
    EXPECT_EQ(root.files(), (QStringList { "imports/a.rec", "imports/b.rec" }));
}

TEST_F(HostCommands, TitlesAreNumberedAndKeepTheirText)
{
    EXPECT_EQ(
        report({ "titles", "save", "Welcome", "--text", "Hello there" })[QStringLiteral("name")].toString(),
        "Welcome");
    EXPECT_EQ(report({ "titles", "save", "Welcome" })[QStringLiteral("name")].toString(), "Welcome_01");
    EXPECT_EQ(
        report({ "titles", "next-name", "Welcome" })[QStringLiteral("proposal")].toString(), "Welcome_02");

    const QJsonArray listed = report({ "titles", "list" })[QStringLiteral("titles")].toArray();
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(
        entryNamed(listed, QStringLiteral("Welcome"))[QStringLiteral("text")].toString(), "Hello there");
    EXPECT_EQ(entryNamed(listed, QStringLiteral("Welcome_01"))[QStringLiteral("text")].toString(), "Welcome");
}

TEST_F(HostCommands, ShowDrawsOneTilePerItem)
{
    for (const char* name : { "One", "Two", "Three", "Four", "Five" })
        report({ "effects", "save", "equalizer", name });
    const QString file = media.filePath(QStringLiteral("equalizers.png"));

    const QJsonObject shown = report({ "show", "audio_effects", "--png", file });
    EXPECT_EQ(shown[QStringLiteral("tiles")].toInt(), 5);
    EXPECT_EQ(shown[QStringLiteral("shown")][QStringLiteral("collection")].toString(), "audio_effects");

    const QImage image(file);
    ASSERT_EQ(image.size(),
        QSize(CollectionBrowser::Columns * CollectionBrowser::TileWidth,
            CollectionBrowser::TitleHeight + 2 * CollectionBrowser::TileHeight));
    const QRgb background = CollectionBrowser::BackgroundColor;
    for (int index = 0; index < 8; ++index) {
        const QPoint corner = CollectionBrowser::tileRect(index).topLeft() + QPoint(4, 4);
        EXPECT_EQ(image.pixel(corner) != background, index < 5) << "tile " << index;
    }
}

TEST_F(HostCommands, TitleSavedWithAPreviewShowsThatPreview)
{
    report({ "titles", "save", "Red", "--preview", picture(QStringLiteral("red.png"), Qt::red) });

    const QJsonObject shown = report({ "show", "titles" });
    ASSERT_EQ(shown[QStringLiteral("tiles")].toInt(), 1);
    const QImage image(QDir(root.path()).filePath(QStringLiteral("pictures/titles.png")));
    const QRect tile = CollectionBrowser::tileRect(0);
    const QColor middle
        = image.pixelColor(tile.center().x(), tile.top() + 6 + CollectionBrowser::PreviewSize / 2);
    EXPECT_EQ(middle, QColor(Qt::red));
}

TEST_F(HostCommands, IntrosShowLocatesTheIntroCategory)
{
    report({ "intros", "save", "Opening" });

    const QJsonObject shown = report({ "intros", "show" });
    EXPECT_EQ(shown[QStringLiteral("shown")][QStringLiteral("collection")].toString(), "intros");
    EXPECT_EQ(shown[QStringLiteral("shown")][QStringLiteral("category")].toString(), "intros");
    EXPECT_EQ(shown[QStringLiteral("tiles")].toInt(), 1);
    EXPECT_TRUE(QFileInfo(shown[QStringLiteral("picture")].toString()).isFile());
}

TEST_F(HostCommands, ShowingAnEmptyCollectionWritesNoPicture)
{
    const QJsonObject shown = report({ "show", "titles" });
    EXPECT_EQ(shown[QStringLiteral("tiles")].toInt(), 0);
    EXPECT_TRUE(shown[QStringLiteral("picture")].isNull());
    EXPECT_EQ(root.files(), QStringList());
}

TEST_F(HostCommands, DemoLeavesTheFilesAndPicturesItReports)
{
    const QString folder = QDir(root.path()).filePath(QStringLiteral("demo"));
    const HostRun run = runHost({ "demo", "--json", "--data", folder });
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonObject demo = run.json();

    EXPECT_EQ(demo[QStringLiteral("dataFolder")].toString(), folder);
    const QJsonArray pictures = demo[QStringLiteral("pictures")].toArray();
    EXPECT_EQ(pictures.size(), 5);
    for (const QJsonValue& picture : pictures)
        EXPECT_FALSE(QImage(picture.toString()).isNull()) << picture.toString().toStdString();
    for (const QJsonValue& path : demo[QStringLiteral("folders")].toObject())
        EXPECT_TRUE(QFileInfo(path.toString()).isDir()) << path.toString().toStdString();

    const HostRun intros = runHost({ "intros", "list", "--json", "--data", folder });
    EXPECT_EQ(names(intros.json()[QStringLiteral("intros")].toArray()), QStringList { "Opening" });
    const HostRun presets = runHost({ "effects", "list", "equalizer", "--json", "--data", folder });
    EXPECT_EQ(presets.json()[QStringLiteral("presets")].toArray().size(), 2);
}

TEST_F(HostCommands, DemoWithoutADataFolderKeepsANewTemporaryOne)
{
    QTemporaryDir temporary;
    const HostRun demo = runHost({ "demo", "--json" }, { QStringLiteral("TMPDIR=") + temporary.path() });
    ASSERT_EQ(demo.status, 0) << demo.err.toStdString();

    const QString folder = demo.json()[QStringLiteral("dataFolder")].toString();
    EXPECT_EQ(QFileInfo(folder).dir(), QDir(temporary.path()));
    EXPECT_TRUE(QFileInfo(QDir(folder).filePath(QStringLiteral("pictures/titles.png"))).isFile());
}

TEST_F(HostCommands, DataFolderComesFromTheEnvironmentWithoutDataOption)
{
    const HostRun saved = runHost(
        { "effects", "save", "equalizer", "Here" }, { QStringLiteral("USERCOLLECTION_DATA=") + root.path() });
    ASSERT_EQ(saved.status, 0) << saved.err.toStdString();
    ASSERT_EQ(root.files().size(), 1);
    EXPECT_TRUE(root.files().first().startsWith(QStringLiteral("effects/AudioEqualizer/{")));
}

TEST_F(HostCommands, HelpDescribesTheProgramAndEveryCommand)
{
    const HostRun program = runHost({ "--help" });
    EXPECT_EQ(program.status, 0);
    EXPECT_TRUE(program.out.contains(QStringLiteral("Commands:")));
    for (const char* command : { "effects", "imports", "intros", "titles", "show", "demo" }) {
        const HostRun help = runHost({ command, "--help" });
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_TRUE(help.out.contains(QStringLiteral("usercollection ") + command)) << help.out.toStdString();
    }
    EXPECT_TRUE(runHost({ "imports", "save", "--help" }).out.contains(QStringLiteral("--media PATH")));
    EXPECT_EQ(root.files(), QStringList());
}

} // namespace
