// What the program promises about the data folder, each as a user meets it and with the
// folder's listing compared before and after. A link that leads out of it is in
// tests/hostile.

#include "HostProcess.h"

#include <QUuid>

namespace {

using Testing::valueAt;
using Testing::writeFile;
using DataFolderContract = Testing::HostTest;

TEST_F(DataFolderContract, ARemovalDeletesOnlyWhatTheLibraryWroteForTheItem)
{
    const QString kept = report("imports save keep --media " + mediaFile("clip.mp4"))["file"].toString();
    ASSERT_TRUE(writeFile(at("imports/notes.txt")) && writeFile(at("imports/sub/other.txt")));
    // A record under the name a record stored at a folder has, as an older program wrote it.
    ASSERT_TRUE(QFile::rename(kept, at("imports/record.xml")));
    const QString intro = QFileInfo(report("intros save Opening", false)["bundle"].toString()).path();
    ASSERT_TRUE(writeFile(intro + "/mine.txt"));
    QStringList before = root.files();

    // The imports folder's notes warn those who read it.
    report("imports remove keep", false);
    report("intros remove Opening", false);
    before.removeAll("imports/record.xml");
    before.removeAll(QDir(root.path()).relativeFilePath(intro + "/record.xml"));
    EXPECT_EQ(Testing::withoutTrash(root.files()), before);
}

TEST_F(DataFolderContract, SavesStartedAtOnceNeverShareADisplayNameAndAreAllListed)
{
    std::vector<std::unique_ptr<QProcess>> saves;
    for (int i = 0; i < 18; ++i) {
        const QString save = QStringList { "intros save", "titles save", "effects save enhance" }[i % 3];
        saves.push_back(std::make_unique<QProcess>());
        saves.back()->start(
            USERCOLLECTION_HOST_PATH, save.split(' ') + QStringList { "Race", "--data", root.path() });
    }
    for (auto& process : saves) {
        ASSERT_TRUE(process->waitForFinished(120000));
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
    }
    // A taken name is numbered the same way for every kind.
    for (const QString list : { "intros list/intros", "titles list/titles", "effects list enhance/presets" })
        EXPECT_EQ(valueAt(report(list.section('/', 0, 0)), list.section('/', 1) + "/*/name"),
            "Race|Race_01|Race_02|Race_03|Race_04|Race_05");
}

TEST_F(DataFolderContract, CheckFixMovesEveryKindOfProblemAsideAndKeepsEveryGoodItem)
{
    report("effects save equalizer Bass");
    report("intros save Opening");
    const QString clip = report("imports save clip --media " + mediaFile("clip.mp4"))["file"].toString();
    report("titles save Welcome");
    ASSERT_TRUE(
        writeFile(at("effects/AudioEqualizer/") + QUuid::createUuid().toString(), "<archive")); // damaged
    ASSERT_TRUE(QFile::copy(clip, at("overlays/clip"))); // foreign
    ASSERT_TRUE(writeFile(at("intros/") + QUuid::createUuid().toString() + "/intro.bundle")); // orphan
    ASSERT_TRUE(writeFile(at("imports/.notes"))); // ignored

    // Listed once, nothing moved until asked to, and warned of only by the commands that
    // read them, each once. Twins and leftovers of every kind: FolderStatesTest.
    EXPECT_EQ(run("intros list").err + run("--quiet list").err, QString());
    const Testing::HostRun listed = run("--json list");
    EXPECT_EQ(valueAt(listed.json(), "items/*/name"), "Bass|clip|Opening|Welcome");
    const QStringList warnings = listed.err.split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(warnings.size(), 2) << listed.err.toStdString();
    const Testing::HostRun found = run("check --json");
    EXPECT_EQ(found.status, 1);
    QStringList kinds = valueAt(found.json(), "problems/*/kind").split('|');
    kinds.sort();
    EXPECT_EQ(kinds, QStringList({ "damaged", "foreign", "ignored", "orphan" }));
    EXPECT_EQ(run("check --fix").status, 0);
    EXPECT_EQ(run("check").status, 0);
    EXPECT_EQ(root.files().filter("quarantine/").size(), 5); // four problems and the note

    // Moved elsewhere, the data folder works in full.
    QTemporaryDir elsewhere;
    const QString moved = elsewhere.filePath("moved");
    ASSERT_TRUE(QDir().rename(root.path(), moved));
    const QJsonObject intros = Testing::runHost({ "--json", "--data", moved, "intros", "list" }).json();
    const Testing::HostRun all = Testing::runHost({ "--json", "--data", moved, "list" });
    ASSERT_TRUE(QDir().rename(moved, root.path()));
    EXPECT_EQ(valueAt(all.json(), "items/*/name"), "Bass|clip|Opening|Welcome") << all.err.toStdString();
    EXPECT_TRUE(QFileInfo(valueAt(intros, "intros/0/bundle")).path().startsWith(moved + "/intros/"));
}

// A folder of the data folder may be a link to elsewhere: what lies there is reported,
// never moved, and a link of ours is moved as the link it is.
TEST_F(DataFolderContract, CheckFixMovesNothingOutOfAFolderALinkLeadsTo)
{
    QTemporaryDir outside;
    ASSERT_TRUE(
        writeFile(outside.filePath("junk.txt"), "theirs") && writeFile(outside.filePath("notes"), "too"));
    ASSERT_TRUE(QFile::link(outside.path(), at("overlays")));
    ASSERT_TRUE(
        QDir().mkpath(at("imports")) && QFile::link(outside.filePath("notes"), at("imports/notes.txt")));

    EXPECT_EQ(run("check").status, 1);
    EXPECT_EQ(run("check --fix").status, 1); // the junk behind the link stays, reported
    EXPECT_EQ(QDir(outside.path()).entryList(QDir::Files), QStringList({ "junk.txt", "notes" }));
    EXPECT_EQ(Testing::readFile(outside.filePath("junk.txt")), "theirs");
    EXPECT_FALSE(QFileInfo(at("imports/notes.txt")).isSymLink());
    EXPECT_EQ(root.files().filter("quarantine/").size(), 2) << root.files().join(' ').toStdString();
}

} // namespace
