// The program's refusals, hostile names and failing storage: every refused command fails
// with one line and its status, and changes nothing on disk.

#include "HostProcess.h"

#include <QRegularExpression>
#include <QUuid>

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
        QDir(parent->path()).mkpath("data");
        QDir(parent->path()).mkpath("outside");
        ASSERT_TRUE(Testing::writeFile(parent->filePath("media/clip.mp4"), "frames"));
        ASSERT_TRUE(Testing::writeFile(parent->filePath("media/notes.txt"), "no picture here"));
        for (const char* seed :
            { "effects save equalizer Kept --set band1=3", "effects save enhance Warm", "intros save Kept",
                "titles save Kept", "imports save kept.rec --media {media}/clip.mp4 --name Kept" }) {
            const HostRun seeding = run(QProcess::splitCommand(QString(seed)));
            ASSERT_EQ(seeding.status, 0) << seeding.err.toStdString();
        }
        // A link that leads out of the data folder to where nothing is yet.
        ASSERT_TRUE(QFile::link(outside() + "/not-yet", data() + "/imports/linked.rec"));
        seeded = filesBelow(data());
    }
    static void TearDownTestSuite() { parent.reset(); }

    static QString data() { return parent->filePath("data"); }
    static QString outside() { return parent->filePath("outside"); }

    // {data}, {media} and {outside} stand for the folders, {empty} for an empty argument.
    static HostRun run(QStringList arguments, const QStringList& wrapper = {})
    {
        arguments.replaceInStrings("{data}", data()).replaceInStrings("{outside}", outside());
        arguments.replaceInStrings("{media}", parent->filePath("media")).replaceInStrings("{empty}", "");
        return Testing::runHost(QStringList { "--data", data() } + arguments, {}, wrapper);
    }

    static void expectNothingLostOrEscaped()
    {
        Testing::expectKeptAndNothingOutside(parent->path(), { "data", "media", "outside" }, seeded);
    }

    static inline std::unique_ptr<QTemporaryDir> parent;
    static inline Testing::Files seeded;
};

struct Refusal {
    std::string label;
    QString command; // split into words as a shell would
    int status;
    QString message;
    QString storage = {}; // how it fails to store: FileSizeLimit, FullDisk or ReadOnly
};

std::vector<Refusal> refusals()
{
    const QString notPlain = "is not a plain file name", passedOver = "cannot name an import";
    const QString clip = " --media {media}/clip.mp4", importAs = "imports save" + clip + " -- ";
    std::vector<Refusal> all = {
        { "unknown_command", "frobnicate", 2, "unknown command 'frobnicate'" },
        { "unknown_option", "effects list equalizer --loud", 2, "Unknown option 'loud'" },
        { "unknown_effect_type", "effects save reverb X", 2, "unknown effect type 'reverb'" },
        { "intro_with_empty_name", "intros save {empty}", 2, "missing NAME" },
        { "unknown_setting", "effects save equalizer X --set treble=3", 2, "no setting 'treble'" },
        { "setting_nan", "effects save equalizer X --set band1=nan", 2, "not a number" },
        { "second_setting_invalid", "effects save equalizer X --set band1=3 --set band2=40", 2, "band2=40" },
        { "preview_not_an_image", "effects save equalizer X --preview {media}/notes.txt", 2, "the image" },
        { "import_unknown_kind", "imports save new.rec --kind movie" + clip, 2, "unknown kind 'movie'" },
        { "import_over_a_link_out", "--quiet imports save linked.rec" + clip, 1,
            "could not save the import" },
        { "import_record_exists", "imports save kept.rec" + clip, 2, "already exists" },
        { "import_without_media", "imports save new.rec", 2, "missing --media" },
        { "import_media_is_a_folder", "imports save new.rec --media {data}", 2, "no such file" },
        { "picture_in_unknown_format", "show titles --png {media}/titles.bmp", 2, "as 'titles.bmp'" },
        { "show_unknown_collection", "show nowhere", 1, "the collection 'nowhere' is empty" },
        { "remove_preset_of_other_type", "effects remove enhance Kept", 1, "no enhance preset called" },
        { "remove_import_of_other_kind", "imports remove Kept --kind audio", 1, "no audio import called" },
        // A --data given later wins.
        { "data_under_a_file", "effects save enhance X --data {media}/clip.mp4/data", 1, "cannot create" },
        { "empty_data_folder", "intros list --data {empty}", 2, "--data needs a folder" },
        { "data_folder_is_a_file", "effects list equalizer --data {media}/clip.mp4", 1, "is not a folder" },
        { "demo_on_a_folder_with_files", "demo", 2, "needs an empty data folder" },
        // An import's file name must name a file the imports folder lists.
        { "file_name_dot_dots", importAs + "../../outside/x", 2, notPlain },
        { "file_name_backslash", importAs + "a\\b", 2, notPlain },
        { "file_name_hidden", importAs + ".hidden", 2, "would be a hidden file" },
        { "file_name_too_long", importAs + QString(256, 'f'), 2, "too long" },
        { "file_name_bundle", importAs + "holiday.bundle", 2, passedOver },
        { "file_name_record_xml", importAs + "record.xml", 2, passedOver },
        { "file_name_left_by_a_save", importAs + QUuid::createUuid().toString() + ".backup", 2, passedOver },
    };
    // Every save fails on each storage, every removal on a read-only one.
    const QString cannotWrite = "cannot write in the data folder";
    const auto label = [](const QString& command) {
        return command.section(' ', 0, 2).replace(QRegularExpression("\\W"), "_").toStdString();
    };
    for (const QString storage : { "FileSizeLimit", "FullDisk", "ReadOnly" })
        for (const QString command :
            { "effects save equalizer New --set band2=4", "effects save enhance New", "intros save New",
                "titles save New", "imports save new.rec --media {media}/clip.mp4", "show titles" })
            all.push_back({ label(command) + "_on_" + storage.toStdString(), command, 1,
                storage == "ReadOnly" ? cannotWrite : "", storage });
    for (const QString removal : { "effects remove equalizer Kept", "intros remove Kept",
             "imports remove Kept", "titles remove Kept" })
        all.push_back({ label(removal) + "_on_ReadOnly", removal, 1, cannotWrite, "ReadOnly" });
    return all;
}

// Whether a mount namespace can mount a file system here.
bool namespacesUsable()
{
    static const bool usable = [] {
        QTemporaryDir folder;
        return QProcess::execute(
                   "unshare", { "-rm", "sh", "-c", "mount -t tmpfs tmpfs \"$0\"", folder.path() })
            == 0;
    }();
    return usable;
}

class Refused : public HostileHost, public ::testing::WithParamInterface<Refusal> { };

TEST_P(Refused, FailsWithOneLineAndChangesNothing)
{
    const QString& storage = GetParam().storage;
    if ((storage == "FullDisk" || storage == "ReadOnly") && !namespacesUsable())
        GTEST_SKIP() << "unshare -rm cannot mount a tmpfs here";
    const Testing::Files before = filesBelow(data());
    // On a full disk, the data folder's contents are on a small tmpfs mounted in its place
    // and filled up; what the run left is copied out afterwards.
    QTemporaryDir stage, after;
    const char* fullDisk = R"(d=$0 stage=$1 after=$2; shift 2
cp -a "$d"/. "$stage"/ && mount -t tmpfs -o size=1m tmpfs "$d" && cp -a "$stage"/. "$d"/ || exit 90
dd if=/dev/zero of="$d/.fill" bs=4k >/dev/null 2>&1
"$@"; status=$?
rm -f "$d/.fill" && cp -a "$d"/. "$after"/ && exit $status)";
    // In a mount namespace where the data folder is a read-only view of itself.
    const char* readOnly = R"(mount --bind "$0" "$0" && mount -o remount,ro,bind "$0" && exec "$@")";
    const std::map<QString, QStringList> wrappers = { { "", {} },
        { "FileSizeLimit", { "prlimit", "--fsize=16", "sh", "-c", R"(trap '' XFSZ; exec "$@")", "sh" } },
        { "FullDisk", { "unshare", "-rm", "sh", "-c", fullDisk, data(), stage.path(), after.path() } },
        { "ReadOnly", { "unshare", "-rm", "sh", "-c", readOnly, data() } } };

    // One line on stderr, nothing on stdout.
    const HostRun refused = run(QProcess::splitCommand(GetParam().command), wrappers.at(storage));
    EXPECT_EQ(refused.status, GetParam().status) << refused.err.toStdString();
    EXPECT_EQ(refused.err.count('\n'), 1) << refused.err.toStdString();
    EXPECT_EQ(refused.out, QString());
    EXPECT_TRUE(refused.err.startsWith("usercollection: ") && refused.err.contains(GetParam().message))
        << refused.err.toStdString();
    EXPECT_EQ(filesBelow(storage == "FullDisk" ? after.path() : data()), before);
    expectNothingLostOrEscaped();
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Refused, ::testing::ValuesIn(refusals()), [](const auto& info) { return info.param.label; });

struct HostileName {
    const char* label;
    QString text; // {outside} stands for the outside folder
    QString fileName; // of an import: odd, but a file the imports folder lists
};

const HostileName hostileNames[] = {
    { "Long", QString(100000, 'n'), "long.rec" },
    { "ControlsAndTerminalEscapes", "\x01\n\r\t\x7f\x1b]0;owned\x07\x1b[2J", "\x01\n\x1b[2J" },
    { "DotDots", "../../outside/x", " " },
    { "Absolute", "{outside}/x", "*" },
    { "OptionLike", "--data=x", "--data=x" },
    { "NonAscii", QString::fromUtf8("Ünïcødé 名前 😀"), "clip.backup" },
};

class HostileHostNames : public HostileHost, public ::testing::WithParamInterface<HostileName> { };

// Display names and collection ids are free text: each is saved, listed, named around,
// shown and removed exactly as given, and only inside the data folder.
TEST_P(HostileHostNames, AreTakenAsGivenByEveryCommand)
{
    const QString name = QString(GetParam().text).replace("{outside}", outside());
    const auto report = [](const QStringList& command) {
        const HostRun done = run(QStringList("--json") + command);
        EXPECT_EQ(done.status, 0) << command.join(' ').toStdString() << ": " << done.err.toStdString();
        return done.json();
    };
    for (const QStringList& save :
        { QStringList { "effects", "save", "enhance", "--collection=" + name, "--", name },
            { "intros", "save", "--", name }, { "titles", "save", "--", name },
            { "imports", "save", "--media", "{media}/clip.mp4", "--name=" + name, "--",
                GetParam().fileName } })
        report(save);
    // Once for each kind.
    EXPECT_EQ(Testing::valueAt(report({ "list" }), "items/*/name").split('|').count(name), 4);
    EXPECT_EQ(report({ "titles", "next-name", "--", name })["proposal"].toString(), name + "_01");
    EXPECT_TRUE(QFileInfo(data() + "/imports/" + GetParam().fileName).isFile());
    EXPECT_TRUE(report({ "show", "--", name })["picture"].toString().startsWith(data() + "/pictures/"));
    for (const char* remove :
        { "effects remove enhance", "intros remove", "titles remove", "imports remove" })
        report(QString(remove).split(' ') + QStringList { "--", name });
    // Pictures stay.
    for (const auto& entry : filesBelow(data()))
        EXPECT_TRUE(seeded.count(entry.first) || entry.first.startsWith("pictures/"))
            << entry.first.toStdString();
    expectNothingLostOrEscaped();
}

INSTANTIATE_TEST_SUITE_P(Names, HostileHostNames, ::testing::ValuesIn(hostileNames),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
