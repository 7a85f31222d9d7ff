// What the program promises about the data folder, one promise a test, each as a user
// meets it and with the folder's listing compared before and after.

#include "HostProcess.h"
#include <gmock/gmock.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QUuid>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Testing::HostRun;
using Testing::names;
using Testing::writeFile;

class DataFolderContract : public Testing::HostTest {
protected:
    QString at(const QString& relative) const { return QDir(root.path()).filePath(relative); }
    QStringList listed(const char* kind) { return names(report({ kind, "list" })[kind]); }
};

TEST_F(DataFolderContract, ARemovalDeletesOnlyWhatTheLibraryWroteForTheItem)
{
    report({ "imports", "save", "clip.imp", "--media", mediaFile("clip.mp4"), "--name", "keep" });
    ASSERT_TRUE(writeFile(at("imports/notes.txt")) && writeFile(at("imports/sub/other.txt")));
    // A record under the name a record stored at a folder has, as an older program wrote it.
    ASSERT_TRUE(QFile::copy(at("imports/clip.imp"), at("imports/record.xml")));
    ASSERT_TRUE(QFile::remove(at("imports/clip.imp")));
    const QString intro
        = QFileInfo(report({ "intros", "save", "Opening" }, false)["bundle"].toString()).path();
    ASSERT_TRUE(writeFile(intro + "/mine.txt"));
    QStringList before = root.files();

    // The imports folder's notes warn those who read it.
    report({ "imports", "remove", "keep" }, false);
    report({ "intros", "remove", "Opening" }, false);
    before.removeAll("imports/record.xml");
    before.removeAll(QDir(root.path()).relativeFilePath(intro + "/record.xml"));
    EXPECT_EQ(root.files(), before);
}

TEST_F(DataFolderContract, ANameTheListingWouldPassOverIsRefusedBeforeAnythingIsWritten)
{
    const QString media = mediaFile("clip.mp4");
    const QStringList before = root.files();
    for (const QString& name : { QString("holiday.bundle"), QUuid::createUuid().toString() + ".backup",
             QString("record.xml"), QString(".hidden") }) {
        const HostRun saved = run({ "imports", "save", name, "--media", media });
        EXPECT_EQ(saved.status, 2) << name.toStdString();
        EXPECT_EQ(saved.err.count('\n'), 1) << saved.err.toStdString();
    }
    EXPECT_EQ(root.files(), before);
    report({ "imports", "save", "clip.backup", "--media", media });
    EXPECT_THAT(listed("imports"), ElementsAre("clip"));
}

TEST_F(DataFolderContract, ALinkIsFollowedBeforeAnythingIsWrittenDanglingOrNot)
{
    QTemporaryDir outside;
    ASSERT_TRUE(QDir().mkpath(at("imports")));
    ASSERT_TRUE(QFile::link(outside.path() + "/not-yet", at("imports/clip.imp")));
    const QStringList before = root.files();
    const HostRun saved = run({ "imports", "save", "clip.imp", "--media", mediaFile("clip.mp4") });
    EXPECT_NE(saved.status, 0);
    EXPECT_TRUE(QDir(outside.path()).isEmpty());
    EXPECT_EQ(root.files(), before);
}

TEST_F(DataFolderContract, ACopiedOrMovedDataFolderWorksInFull)
{
    report({ "intros", "save", "Opening", "--timeline", mediaFile("clip.mp4") });
    report({ "imports", "save", "clip.imp", "--media", mediaFile("inside.mp4") });
    QTemporaryDir elsewhere;
    const QString moved = elsewhere.path() + "/moved";
    ASSERT_TRUE(QDir().rename(root.path(), moved));
    const QJsonObject intros = Testing::runHost({ "intros", "list", "--json", "--data", moved }).json();
    ASSERT_TRUE(QDir().rename(moved, root.path()));
    ASSERT_EQ(intros["intros"].toArray().size(), 1);
    EXPECT_TRUE(intros["intros"][0]["bundle"].toString().startsWith(moved + "/intros/"));
    EXPECT_EQ(intros["intros"][0]["durationMs"].toDouble(), 5000);
}

TEST_F(DataFolderContract, SavesStartedAtOnceNeverShareADisplayNameAndAreAllListed)
{
    const int count = 6;
    std::vector<std::unique_ptr<QProcess>> saves;
    for (const QStringList& command : { QStringList { "intros", "save", "Race" },
             { "titles", "save", "Race" }, { "effects", "save", "enhance", "Race" } }) {
        for (int i = 0; i < count; ++i) {
            saves.push_back(std::make_unique<QProcess>());
            saves.back()->start(USERCOLLECTION_HOST_PATH, command + QStringList { "--data", root.path() });
        }
    }
    for (auto& process : saves) {
        ASSERT_TRUE(process->waitForFinished(120000));
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
    }
    // A taken name is numbered the same way for every kind.
    for (const QStringList& list :
        { QStringList { "intros", "list" }, { "titles", "list" }, { "effects", "list", "enhance" } }) {
        const QStringList all = names(report(list)[list.size() == 2 ? list[0] : QStringLiteral("presets")]);
        EXPECT_EQ(all.size(), count) << list[0].toStdString();
        EXPECT_EQ(QSet<QString>(all.begin(), all.end()).size(), count) << list[0].toStdString();
    }
}

TEST_F(DataFolderContract, ACollectionIsItsItemTypeAndItsId)
{
    report({ "effects", "save", "equalizer", "Loud", "--collection", "titles" });
    report({ "titles", "save", "Welcome" });
    const QJsonObject shown = report({ "show", "titles" });
    EXPECT_EQ(shown["tiles"].toInt(), 1);
}

TEST_F(DataFolderContract, WarningsOnlyForTheFilesACommandReadsEachOnce)
{
    report({ "titles", "save", "Welcome" });
    ASSERT_TRUE(writeFile(at("effects/AudioEqualizer/broken"), "<?xml version=\"1.0\"?><archive"));
    ASSERT_TRUE(writeFile(at("imports/notes"), "not a record"));
    const QStringList before = root.files();
    EXPECT_EQ(run({ "titles", "list" }).err, QString());
    const HostRun effects = run({ "effects", "list", "equalizer" });
    EXPECT_EQ(effects.status, 0);
    EXPECT_EQ(effects.err.count('\n'), 1) << effects.err.toStdString();
    EXPECT_THAT(effects.err.toStdString(), HasSubstr("broken"));
    EXPECT_EQ(root.files(), before);
}

TEST_F(DataFolderContract, CheckFixMovesEveryKindOfProblemAsideAndKeepsEveryGoodItem)
{
    const QString preset = report({ "effects", "save", "equalizer", "Bass" })["file"].toString();
    report({ "intros", "save", "Opening" });
    report({ "imports", "save", "clip.imp", "--media", mediaFile("clip.mp4") });
    report({ "titles", "save", "Welcome" });
    ASSERT_TRUE(QFile::copy(preset, preset + " copy")); // duplicate
    ASSERT_TRUE(QFile::copy(preset, preset + ".Ab12Cd")); // leftover
    ASSERT_TRUE(
        writeFile(at("effects/AudioEqualizer/") + QUuid::createUuid().toString(), "<archive")); // damaged
    ASSERT_TRUE(QFile::copy(at("imports/clip.imp"), at("overlays/clip"))); // foreign
    ASSERT_TRUE(writeFile(at("intros/") + QUuid::createUuid().toString() + "/intro.bundle")); // orphan
    ASSERT_TRUE(writeFile(at("imports/.notes"))); // ignored

    const HostRun found = run({ "check", "--json" });
    EXPECT_EQ(found.status, 1);
    QStringList kinds;
    for (const QJsonValue& problem : found.json()["problems"].toArray())
        kinds << problem["kind"].toString();
    kinds.sort();
    EXPECT_EQ(kinds, QStringList({ "damaged", "duplicate", "foreign", "ignored", "leftover", "orphan" }));

    EXPECT_EQ(run({ "check", "--fix" }).status, 0);
    EXPECT_EQ(run({ "check" }).status, 0);
    EXPECT_EQ(root.files().filter("quarantine/").size(), 7); // six problems and the note
    EXPECT_THAT(names(report({ "effects", "list", "equalizer" })["presets"]), ElementsAre("Bass"));
    EXPECT_THAT(listed("intros"), ElementsAre("Opening"));
    EXPECT_THAT(listed("imports"), ElementsAre("clip"));
    EXPECT_THAT(listed("titles"), ElementsAre("Welcome"));
}

} // namespace
