// The program's refusals, hostile names and failing storage: every refused command fails
// with one line and its status, and changes nothing on disk.

#include "HostProcess.h"

#include <QRegularExpression>

namespace {

using Testing::filesBelow;
using Testing::HostRun;

// One data folder for the suite with a kept item of every kind, beside a media folder and
// an empty "outside" folder that no run may touch.
class HostileHost : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        parent = std::make_unique<QTemporaryDir>();
        QDir(parent->path()).mkpath("outside");
        ASSERT_TRUE(Testing::writeFile(parent->filePath("media/clip.mp4"), "frames"));
        ASSERT_TRUE(Testing::writeFile(parent->filePath("media/notes.txt"), "no picture here"));
        for (const char* seed : { "effects save equalizer Kept --set band1=3", "effects save enhance Warm",
                 "intros save Kept", "titles save Kept", "imports save Kept --media {media}/clip.mp4" })
            report(QProcess::splitCommand(QString(seed)));
        // A link that leads out of the data folder to where nothing is yet.
        ASSERT_TRUE(QFile::link(outside() + "/not-yet", data() + "/imports/linked.import"));
        seeded = filesBelow(data());
    }

    static QString data() { return parent->filePath("data"); }
    static QString outside() { return parent->filePath("outside"); }

    // {data} and {media} stand for the folders.
    static HostRun run(QStringList arguments, const QStringList& wrapper = {})
    {
        arguments.replaceInStrings("{data}", data()).replaceInStrings("{media}", parent->filePath("media"));
        return Testing::runHost(QStringList { "--data", data() } + arguments, {}, wrapper);
    }
    // The JSON report of a command that must succeed.
    static QJsonObject report(const QStringList& command)
    {
        const HostRun done = run(QStringList("--json") + command);
        EXPECT_EQ(done.status, 0) << command.join(' ').toStdString() << ": " << done.err.toStdString();
        return done.json();
    }

    static inline std::unique_ptr<QTemporaryDir> parent;
    static inline Testing::Files seeded;
};

struct Refusal {
    std::string label;
    QString command; // split into words as a shell would
    int status;
    QString message;
    QString storage = {}; // how it fails to store: FileSizeLimit or ReadOnly
};

std::vector<Refusal> refusals()
{
    std::vector<Refusal> all = {
        { "unknown_command", "frobnicate", 2, "unknown command 'frobnicate'" },
        { "unknown_effect_type", "effects save reverb X", 2, "unknown effect type 'reverb'" },
        { "second_setting_invalid", "effects save equalizer X --set band1=3 --set band2=40", 2, "band2=40" },
        { "preview_not_an_image", "effects save equalizer X --preview {media}/notes.txt", 2, "the image" },
        { "import_media_is_a_folder", "imports save New --media {data}", 2, "no such file" },
        { "picture_in_unknown_format", "show titles --png {media}/titles.bmp", 2, "as 'titles.bmp'" },
        { "show_unknown_collection", "show nowhere", 1, "the collection 'nowhere' is empty" },
        { "list_in_unknown_order", "titles list --sort size", 2, "unknown order 'size'" },
        // A --data given later wins.
        { "data_under_a_file", "effects save enhance X --data {media}/clip.mp4/data", 1, "cannot create" },
        { "data_folder_is_a_file", "effects list equalizer --data {media}/clip.mp4", 1, "is not a folder" },
        { "demo_on_a_folder_with_files", "demo", 2, "needs an empty data folder" },
    };
    // Every save fails on each storage, every removal on a read-only one.
    const QString cannotWrite = "cannot write in the data folder";
    const auto label = [](const QString& command) {
        return command.section(' ', 0, 2).replace(QRegularExpression("\\W"), "_").toStdString();
    };
    for (const QString storage : { "FileSizeLimit", "ReadOnly" })
        for (const QString command : { "effects save equalizer New --set band2=4", "intros save New",
                 "titles save New", "imports save New --media {media}/clip.mp4", "show titles" })
            all.push_back({ label(command) + "_on_" + storage.toStdString(), command, 1,
                storage == "ReadOnly" ? cannotWrite : "", storage });
    for (const QString removal : { "effects remove equalizer Kept", "intros remove Kept",
             "imports remove Kept", "titles remove Kept" })
        all.push_back({ label(removal) + "_on_ReadOnly", removal, 1, cannotWrite, "ReadOnly" });
    return all;
}

class Refused : public HostileHost, public ::testing::WithParamInterface<Refusal> { };

TEST_P(Refused, FailsWithOneLineAndChangesNothing)
{
    const QString& storage = GetParam().storage;
    // In a mount namespace where the data folder is a read-only view of itself.
    const char* readOnly = R"(mount --bind "$0" "$0" && mount -o remount,ro,bind "$0" && exec "$@")";
    static const bool namespacesUsable
        = QProcess::execute("unshare", { "-rm", "sh", "-c", readOnly, QTemporaryDir().path(), "true" }) == 0;
    // A guard that cannot run must not pass unseen.
    if (storage == "ReadOnly") {
        ASSERT_TRUE(namespacesUsable)
            << "unshare -rm cannot mount here: allow user namespaces, or run as root";
    }
    const std::map<QString, QStringList> wrappers = { { "", {} },
        { "FileSizeLimit", { "prlimit", "--fsize=16", "sh", "-c", R"(trap '' XFSZ; exec "$@")", "sh" } },
        { "ReadOnly", { "unshare", "-rm", "sh", "-c", readOnly, data() } } };

    // One line on stderr, nothing on stdout.
    const HostRun refused = run(QProcess::splitCommand(GetParam().command), wrappers.at(storage));
    EXPECT_EQ(refused.status, GetParam().status) << refused.err.toStdString();
    EXPECT_EQ(refused.err.count('\n'), 1) << refused.err.toStdString();
    EXPECT_EQ(refused.out, QString());
    EXPECT_TRUE(refused.err.startsWith("usercollection: ") && refused.err.contains(GetParam().message))
        << refused.err.toStdString();
    EXPECT_EQ(filesBelow(data()), seeded);
    Testing::expectKeptAndNothingOutside(parent->path(), { "data", "media", "outside" }, seeded);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Refused, ::testing::ValuesIn(refusals()), [](const auto& info) { return info.param.label; });

// What only reads works where nothing may be written, and a folder that is not there
// is named as such and left not there.
TEST_F(HostileHost, ReadersWorkOnAReadOnlyFolderAndAMissingOneIsSaidAndNotMade)
{
    const QString pack = parent->filePath("media/all.zip");
    ASSERT_EQ(run({ "export", pack }).status, 0);
    const char* readOnly = R"(mount --bind "$0" "$0" && mount -o remount,ro,bind "$0" && exec "$@")";
    // As they do on a folder that may be written (check finds the link that leads out).
    for (const QString reader : { "list", "titles list", "check", "export {media}/again.zip",
             "import {media}/all.zip --dry-run", "effects list equalizer" }) {
        const QStringList command = QProcess::splitCommand(reader);
        const HostRun writable = run(command);
        const HostRun done = run(command, { "unshare", "-rm", "sh", "-c", readOnly, data() });
        EXPECT_EQ(done.status, writable.status) << reader.toStdString() << ": " << done.err.toStdString();
        EXPECT_EQ(done.out, writable.out) << reader.toStdString();
    }
    EXPECT_EQ(filesBelow(data()), seeded);
    QFile::remove(pack);
    QFile::remove(parent->filePath("media/again.zip"));

    const QString missing = parent->filePath("missing");
    const HostRun listed = Testing::runHost({ "--data", missing, "list" });
    EXPECT_EQ(listed.status, 0);
    EXPECT_TRUE(listed.err.contains("does not exist")) << listed.err.toStdString();
    EXPECT_EQ(Testing::runHost({ "--data", missing, "titles", "remove", "Kept" }).status, 1);
    EXPECT_FALSE(QFileInfo::exists(missing));
    Testing::expectKeptAndNothingOutside(parent->path(), { "data", "media", "outside" }, seeded);
}

struct HostileName {
    const char* label;
    QString text;
};

const HostileName hostileNames[] = {
    { "Long", QString(100000, 'n') },
    { "ControlsAndTerminalEscapes", "\x01\n\r\t\x7f\x1b]0;owned\x07\x1b[2J" },
    { "DotDots", "../../outside/x" },
    { "OptionLike", "-h" },
    { "NonAscii", QString::fromUtf8("Ünïcødé 名前 😀") },
};

class HostileHostNames : public HostileHost, public ::testing::WithParamInterface<HostileName> { };

// Display names and collection ids are free text: each is saved, listed, named around,
// shown and removed exactly as given, and only inside the data folder.
TEST_P(HostileHostNames, AreTakenAsGivenByEveryCommand)
{
    const QString& name = GetParam().text;
    for (const QStringList& save :
        { QStringList { "effects", "save", "enhance", "--collection=" + name, "--", name },
            { "intros", "save", "--", name }, { "titles", "save", "--", name } })
        report(save);
    const QString import
        = report({ "imports", "save", "--media", "{media}/clip.mp4", "--", name })["file"].toString();
    EXPECT_EQ(QFileInfo(import).path(), data() + "/imports");
    // Once for each kind.
    EXPECT_EQ(Testing::valueAt(report({ "list" }), "items/*/name").split('|').count(name), 4);
    EXPECT_EQ(report({ "titles", "next-name", "--", name })["proposal"].toString(), name + "_01");
    EXPECT_TRUE(QFileInfo(import).isFile());
    EXPECT_TRUE(report({ "show", "--", name })["picture"].toString().startsWith(data() + "/pictures/"));
    for (const char* remove :
        { "effects remove enhance", "intros remove", "titles remove", "imports remove" })
        report(QString(remove).split(' ') + QStringList { "--", name });
    // Pictures stay, and the trash keeps what was removed.
    for (const auto& entry : filesBelow(data()))
        EXPECT_TRUE(seeded.count(entry.first) || entry.first.startsWith("pictures/")
            || entry.first.startsWith("trash/"))
            << entry.first.toStdString();
    Testing::expectKeptAndNothingOutside(parent->path(), { "data", "media", "outside" }, seeded);
}

INSTANTIATE_TEST_SUITE_P(Names, HostileHostNames, ::testing::ValuesIn(hostileNames),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
