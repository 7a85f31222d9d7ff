#include "FileSnapshot.h"
#include "HostProcess.h"
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

namespace {

using Testing::Files;
using Testing::filesBelow;
using Testing::HostRun;

QStringList namesIn(const QJsonValue& list)
{
    QStringList names;
    for (const QJsonValue& entry : list.toArray())
        names << entry[QStringLiteral("name")].toString();
    return names;
}

// One data folder for the suite with a kept item of every kind, beside a media file
// and an empty "outside" folder that no run may touch.
class HostileHost : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        parent = std::make_unique<QTemporaryDir>();
        QDir(parent->path()).mkpath("data");
        QDir(parent->path()).mkpath("outside");
        ASSERT_TRUE(Testing::writeFile(media(), "frames"));
        for (const QStringList& seed :
            { QStringList { "effects", "save", "equalizer", "Kept", "--set", "band1=3" },
                QStringList { "effects", "save", "enhance", "Kept" },
                QStringList { "intros", "save", "Kept" }, QStringList { "titles", "save", "Kept" },
                QStringList { "imports", "save", "kept.rec", "--media", "{media}", "--name", "Kept" } }) {
            const HostRun seeding = run(seed);
            ASSERT_EQ(seeding.status, 0) << seeding.err.toStdString();
        }
        seeded = filesBelow(data());
    }
    static void TearDownTestSuite() { parent.reset(); }

    static QString data() { return parent->filePath("data"); }
    static QString outside() { return parent->filePath("outside"); }
    static QString media() { return parent->filePath("media/clip.mp4"); }

    static HostRun run(QStringList arguments, const QStringList& wrapper = {})
    {
        arguments.replaceInStrings("{media}", media());
        return Testing::runHostVia(wrapper, QStringList { "--data", data() } + arguments);
    }

    // One line on stderr with the status, nothing on stdout.
    static void expectFailure(const HostRun& run, int status, const QString& message = QString())
    {
        EXPECT_EQ(run.status, status) << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.startsWith("usercollection: ") && run.err.contains(message))
            << run.err.toStdString();
        EXPECT_EQ(run.out, QString());
    }

    // The kept items' files unchanged, and nothing beside the data folder.
    static void expectNothingLostOrEscaped()
    {
        EXPECT_EQ(Testing::entriesOf(parent->path()), QStringList({ "data", "media", "outside" }));
        EXPECT_EQ(Testing::entriesOf(outside()), QStringList());
        const Files now = filesBelow(data());
        for (const auto& [file, bytes] : seeded)
            EXPECT_EQ(now.count(file) ? now.at(file) : QByteArray("(gone)"), bytes) << file.toStdString();
    }

    static inline std::unique_ptr<QTemporaryDir> parent;
    static inline Files seeded;
};

struct HostileName {
    const char* label;
    QString text; // {outside} stands for the outside folder
};

const HostileName hostileNames[] = {
    { "Long", QString(100000, 'n') },
    { "ControlsAndTerminalEscapes", "\x01\n\r\t\x7f\x1b]0;owned\x07\x1b[2J" },
    { "DotDots", "../../outside/x" },
    { "Absolute", "{outside}/x" },
    { "OptionLike", "--data=x" },
    { "NonAscii", QString::fromUtf8("Ünïcødé 名前 😀") },
};

class HostileHostNames : public HostileHost, public ::testing::WithParamInterface<HostileName> {
protected:
    QString name() const { return QString(GetParam().text).replace("{outside}", outside()); }

    // The names of the listed items after the command, with the kept one among them.
    QStringList listed(const QStringList& command, const char* key) const
    {
        const QStringList names = namesIn(run(QStringList("--json") + command).json()[key]);
        EXPECT_TRUE(names.contains("Kept")) << key;
        return names;
    }
    QString proposal(const QStringList& command) const
    {
        return run(QStringList("--json") + command + QStringList { "--", name() })
            .json()["proposal"]
            .toString();
    }
};

// Display names and collection ids are free text: each is saved, listed, named around,
// shown and removed exactly as given, and only inside the data folder.
TEST_P(HostileHostNames, AreTakenAsGivenByEveryCommand)
{
    EXPECT_EQ(run({ "effects", "save", "enhance", "--collection=" + name(), "--", name() }).status, 0);
    EXPECT_EQ(run({ "intros", "save", "--", name() }).status, 0);
    EXPECT_EQ(run({ "titles", "save", "--", name() }).status, 0);
    EXPECT_EQ(
        run({ "imports", "save", "--media", "{media}", "--name=" + name(), "--", "named.rec" }).status, 0);

    EXPECT_TRUE(listed({ "effects", "list", "enhance" }, "presets").contains(name()));
    EXPECT_TRUE(listed({ "intros", "list" }, "intros").contains(name()));
    EXPECT_TRUE(listed({ "titles", "list" }, "titles").contains(name()));
    EXPECT_TRUE(listed({ "imports", "list" }, "imports").contains(name()));
    EXPECT_EQ(proposal({ "intros", "next-name" }), name() + "_01");
    EXPECT_EQ(proposal({ "titles", "next-name" }), name() + "_01");
    EXPECT_EQ(proposal({ "imports", "next-name" }), name() + "_01");
    const HostRun shown = run({ "--json", "show", "--", name() });
    EXPECT_EQ(shown.status, 0) << shown.err.toStdString();
    EXPECT_TRUE(shown.json()["picture"].toString().startsWith(data() + "/pictures/"));

    EXPECT_EQ(run({ "effects", "remove", "enhance", "--", name() }).status, 0);
    EXPECT_EQ(run({ "intros", "remove", "--", name() }).status, 0);
    EXPECT_EQ(run({ "imports", "remove", "--", name() }).status, 0);
    // Titles cannot be removed; pictures stay.
    for (const auto& entry : filesBelow(data())) {
        const QString& file = entry.first;
        EXPECT_TRUE(seeded.count(file) || file.startsWith("overlays/") || file.startsWith("pictures/"))
            << file.toStdString();
    }
    expectNothingLostOrEscaped();
}

INSTANTIATE_TEST_SUITE_P(Names, HostileHostNames, ::testing::ValuesIn(hostileNames),
    [](const auto& info) { return std::string(info.param.label); });

// An import's file name must name a file the imports folder lists: no folder part,
// not hidden, not too long. Anything else is a usage error that writes nothing.
TEST_F(HostileHost, ImportFileNamesOutsideTheFolderOrUnlistedAreRefused)
{
    for (const QString& fileName : { QString("../../outside/x"), QString("a/b"), outside() + "/x",
             QString("."), QString(".."), QString(".hidden"), QString("a\\b"), QString(256, 'f') }) {
        expectFailure(run({ "imports", "save", "--media", "{media}", "--", fileName }), 2);
        EXPECT_EQ(filesBelow(data()), seeded);
    }
    for (const QString& fileName :
        { QString("\x01\n\x1b[2J"), QString(" "), QString("--data=x"), QString("*") }) {
        EXPECT_EQ(run({ "imports", "save", "--media", "{media}", "--name=Filed", "--", fileName }).status, 0);
        EXPECT_TRUE(QFileInfo(QDir(data()).filePath("imports/" + fileName)).isFile());
        EXPECT_EQ(run({ "imports", "remove", "Filed" }).status, 0);
    }
    EXPECT_EQ(filesBelow(data()), seeded);
    expectNothingLostOrEscaped();
}

struct Change {
    const char* label;
    QStringList arguments;
};

const Change writes[] = {
    { "EqualizerPreset", { "effects", "save", "equalizer", "New", "--set", "band2=4" } },
    { "EnhancePreset", { "effects", "save", "enhance", "New" } },
    { "Intro", { "intros", "save", "New" } },
    { "Title", { "titles", "save", "New" } },
    { "Import", { "imports", "save", "new.rec", "--media", "{media}" } },
    { "Picture", { "show", "titles" } },
};

const Change removals[] = {
    { "PresetRemoval", { "effects", "remove", "equalizer", "Kept" } },
    { "IntroRemoval", { "intros", "remove", "Kept" } },
    { "ImportRemoval", { "imports", "remove", "Kept" } },
};

// Why mount namespaces cannot be used here; empty when they can.
QString namespacesUnusable()
{
    static const QString why = [] {
        QTemporaryDir folder;
        QProcess probe;
        probe.start(
            "unshare", { "-rm", "sh", "-c", "mount -t tmpfs -o size=16k tmpfs \"$0\"", folder.path() });
        if (probe.waitForFinished() && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0)
            return QString();
        return "unshare -rm with a tmpfs mount failed: " + probe.errorString() + " "
            + QString::fromLocal8Bit(probe.readAllStandardError());
    }();
    return why;
}

class FailingStorage : public HostileHost, public ::testing::WithParamInterface<Change> {
protected:
    void SetUp() override { before = filesBelow(data()); }

    // In a mount namespace where the data folder is a read-only view of itself.
    HostRun runReadOnly() const
    {
        return run(GetParam().arguments,
            { "unshare", "-rm", "sh", "-c",
                R"(mount --bind "$0" "$0" && mount -o remount,ro,bind "$0" && exec "$@")", data() });
    }

    Files before;
};

class FailingWrites : public FailingStorage { };
class FailingRemovals : public FailingStorage { };

TEST_P(FailingWrites, AFileSizeLimitFailsTheSaveAndLeavesNoPartialFile)
{
    expectFailure(run(GetParam().arguments,
                      { "prlimit", "--fsize=16", "sh", "-c", R"(trap '' XFSZ; exec "$@")", "sh" }),
        1);
    EXPECT_EQ(filesBelow(data()), before);
    expectNothingLostOrEscaped();
}

TEST_P(FailingWrites, AFullDiskFailsTheSaveAndLeavesNoPartialFile)
{
    if (const QString why = namespacesUnusable(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    // The data folder's contents on a small tmpfs mounted in its place, filled up; what
    // the run left is copied out afterwards.
    QTemporaryDir stage, after;
    const char* script = R"(d=$0 stage=$1 after=$2; shift 2
cp -a "$d"/. "$stage"/ && mount -t tmpfs -o size=1m tmpfs "$d" && cp -a "$stage"/. "$d"/ || exit 90
dd if=/dev/zero of="$d/.fill" bs=4k >/dev/null 2>&1
"$@"; status=$?
rm -f "$d/.fill" && cp -a "$d"/. "$after"/ && exit $status)";
    expectFailure(run(GetParam().arguments,
                      { "unshare", "-rm", "sh", "-c", script, data(), stage.path(), after.path() }),
        1);
    EXPECT_EQ(filesBelow(after.path()), before);
    expectNothingLostOrEscaped();
}

TEST_P(FailingWrites, AReadOnlyDataFolderRefusesTheSave)
{
    if (const QString why = namespacesUnusable(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    expectFailure(runReadOnly(), 1, "cannot write in the data folder");
    EXPECT_EQ(filesBelow(data()), before);
    expectNothingLostOrEscaped();
}

TEST_P(FailingRemovals, AReadOnlyDataFolderRefusesTheRemoval)
{
    if (const QString why = namespacesUnusable(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    expectFailure(runReadOnly(), 1, "cannot write in the data folder");
    EXPECT_EQ(filesBelow(data()), before);
    expectNothingLostOrEscaped();
}

const auto changeName = [](const auto& info) { return std::string(info.param.label); };
INSTANTIATE_TEST_SUITE_P(Changes, FailingWrites, ::testing::ValuesIn(writes), changeName);
INSTANTIATE_TEST_SUITE_P(Changes, FailingRemovals, ::testing::ValuesIn(removals), changeName);

} // namespace
