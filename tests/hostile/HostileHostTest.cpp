// The program's refusals, hostile names and failing storage: every refused command fails
// with one line and its status, and changes nothing on disk.

#include "FileSnapshot.h"
#include "HostProcess.h"

#include <QProcess>
#include <QUuid>

#include <memory>

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
    std::vector<Refusal> all = {
        { "no_command", "", 2, "missing command" },
        { "unknown_command", "frobnicate", 2, "unknown command 'frobnicate'" },
        { "unknown_subcommand", "effects tweak", 2, "unknown effects command 'tweak'" },
        { "unknown_option", "effects list equalizer --loud", 2, "Unknown option 'loud'" },
        { "extra_argument", "intros list more", 2, "unexpected argument 'more'" },
        { "unknown_effect_type", "effects save reverb X", 2, "unknown effect type 'reverb'" },
        { "list_unknown_effect_type", "effects list reverb", 2, "unknown effect type 'reverb'" },
        { "effect_without_name", "effects save equalizer", 2, "missing NAME" },
        { "intro_with_empty_name", "intros save {empty}", 2, "missing NAME" },
        { "title_without_name", "titles save", 2, "missing NAME" },
        { "unknown_setting", "effects save equalizer X --set treble=3", 2, "no setting 'treble'" },
        { "setting_above_range", "effects save equalizer X --set band1=12.5", 2, "out of range" },
        { "setting_below_range", "effects save enhance X --set gamma=0", 2, "out of range" },
        { "setting_not_a_number", "effects save equalizer X --set band1=loud", 2, "not a number" },
        { "setting_nan", "effects save equalizer X --set band1=nan", 2, "not a number" },
        { "setting_without_value", "effects save equalizer X --set band1", 2, "KEY=VALUE" },
        { "valid_then_invalid_setting", "effects save equalizer X --set band1=3 --set band2=40", 2,
            "band2=40 is out of range" },
        { "preset_name_taken", "effects save equalizer Kept --exact", 2,
            "an equalizer preset called 'Kept' exists already; 'Kept_01' is free" },
        { "preview_not_an_image", "effects save equalizer X --preview {media}/notes.txt", 2,
            "cannot read the image" },
        { "preview_missing", "titles save X --preview {media}/gone.png", 2, "cannot read the image" },
        { "intro_preview_not_an_image", "intros save X --preview {media}/notes.txt", 2,
            "cannot read the image" },
        { "import_unknown_kind", "imports save new.rec --media {media}/clip.mp4 --kind movie", 2,
            "unknown kind 'movie'" },
        { "import_next_name_unknown_kind", "imports next-name X --kind intro", 2, "unknown kind 'intro'" },
        { "import_over_a_link_out", "--quiet imports save linked.rec --media {media}/clip.mp4", 1,
            "could not save the import 'clip'" },
        { "import_record_exists", "imports save kept.rec --media {media}/clip.mp4", 2, "already exists" },
        { "import_without_media", "imports save new.rec", 2, "missing --media" },
        { "import_media_missing", "imports save new.rec --media {media}/gone.mp4", 2, "no such file" },
        { "import_media_is_a_folder", "imports save new.rec --media {data}", 2, "no such file" },
        { "import_empty_name", "imports save new.rec --media {media}/clip.mp4 --name {empty}", 2,
            "missing --name" },
        { "intro_timeline_missing", "intros save X --timeline {media}/gone.mp4", 2, "no such file" },
        { "show_unknown_collection", "show nowhere", 1, "the collection 'nowhere' is empty" },
        { "remove_unknown_preset", "effects remove equalizer Treble", 1,
            "no equalizer preset called 'Treble'" },
        { "remove_preset_of_other_type", "effects remove enhance Kept", 1,
            "no enhance preset called 'Kept'" },
        { "remove_unknown_import", "imports remove nothing", 1, "no import called 'nothing'" },
        { "remove_import_of_other_kind", "imports remove Kept --kind audio", 1,
            "no audio import called 'Kept'" },
        { "remove_unknown_intro", "intros remove nothing", 1, "no intro called 'nothing'" },
        { "remove_unknown_title", "titles remove nothing", 1, "no title called 'nothing'" },
        // A --data given later wins.
        { "data_folder_under_a_file", "effects save equalizer X --data {media}/clip.mp4/data", 1,
            "cannot create the data folder" },
        { "empty_data_folder", "intros list --data {empty}", 2, "--data needs a folder" },
        { "data_folder_is_a_file", "effects list equalizer --data {media}/clip.mp4", 1, "is not a folder" },
        { "demo_on_a_folder_with_files", "demo", 2, "needs an empty data folder" },
        // An import's file name must name a file the imports folder lists.
        { "import_file_name_dot_dots", "imports save --media {media}/clip.mp4 -- ../../outside/x", 2,
            notPlain },
        { "import_file_name_with_folder", "imports save --media {media}/clip.mp4 -- a/b", 2, notPlain },
        { "import_file_name_absolute", "imports save --media {media}/clip.mp4 -- {outside}/x", 2, notPlain },
        { "import_file_name_dot", "imports save --media {media}/clip.mp4 -- .", 2, notPlain },
        { "import_file_name_dot_dot", "imports save --media {media}/clip.mp4 -- ..", 2, notPlain },
        { "import_file_name_backslash", "imports save --media {media}/clip.mp4 -- a\\b", 2, notPlain },
        { "import_file_name_hidden", "imports save --media {media}/clip.mp4 -- .hidden", 2,
            "would be a hidden file" },
        { "import_file_name_too_long", "imports save --media {media}/clip.mp4 -- " + QString(256, 'f'), 2,
            "too long" },
        { "import_file_name_bundle", "imports save --media {media}/clip.mp4 -- holiday.bundle", 2,
            passedOver },
        { "import_file_name_record_xml", "imports save --media {media}/clip.mp4 -- record.xml", 2,
            passedOver },
        { "import_file_name_left_by_a_save",
            "imports save --media {media}/clip.mp4 -- " + QUuid::createUuid().toString() + ".backup", 2,
            passedOver },
    };
    // Every save fails on each storage, every removal on a read-only one.
    const QList<QPair<std::string, QString>> saves
        = { { "equalizer_preset", "effects save equalizer New --set band2=4" },
              { "enhance_preset", "effects save enhance New" }, { "intro", "intros save New" },
              { "title", "titles save New" }, { "import", "imports save new.rec --media {media}/clip.mp4" },
              { "picture", "show titles" } };
    const QString readOnly = "ReadOnly", cannotWrite = "cannot write in the data folder";
    for (const QString storage : { "FileSizeLimit", "FullDisk", "ReadOnly" })
        for (const auto& [label, command] : saves)
            all.push_back({ label + "_on_" + storage.toStdString(), command, 1,
                storage == readOnly ? cannotWrite : "", storage });
    for (const char* removal :
        { "effects remove equalizer", "intros remove", "imports remove", "titles remove" })
        all.push_back({ QString(removal).replace(' ', '_').toStdString() + "_on_ReadOnly",
            removal + QString(" Kept"), 1, cannotWrite, readOnly });
    return all;
}

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

class Refused : public HostileHost, public ::testing::WithParamInterface<Refusal> { };

TEST_P(Refused, FailsWithOneLineAndChangesNothing)
{
    const QString& storage = GetParam().storage;
    if (const QString why = namespacesUnusable();
        (storage == "FullDisk" || storage == "ReadOnly") && !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
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
    QStringList wrapper;
    if (storage == "FileSizeLimit")
        wrapper = QStringList { "prlimit", "--fsize=16", "sh", "-c", R"(trap '' XFSZ; exec "$@")", "sh" };
    else if (storage == "FullDisk")
        wrapper = QStringList { "unshare", "-rm", "sh", "-c", fullDisk, data(), stage.path(), after.path() };
    else if (storage == "ReadOnly")
        wrapper = QStringList { "unshare", "-rm", "sh", "-c", readOnly, data() };

    Testing::expectError(
        run(QProcess::splitCommand(GetParam().command), wrapper), GetParam().status, GetParam().message);
    EXPECT_EQ(filesBelow(storage == "FullDisk" ? after.path() : data()), before);
    expectNothingLostOrEscaped();
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Refused, ::testing::ValuesIn(refusals()), [](const auto& info) { return info.param.label; });

TEST_F(HostileHost, ImportFileNamesThatAreNotPlainButListedAreTaken)
{
    for (const QString& fileName : { QString("\x01\n\x1b[2J"), QString(" "), QString("--data=x"),
             QString("*"), QString("clip.backup") }) {
        EXPECT_EQ(
            run({ "imports", "save", "--media", "{media}/clip.mp4", "--name=Filed", "--", fileName }).status,
            0);
        EXPECT_TRUE(QFileInfo(QDir(data()).filePath("imports/" + fileName)).isFile());
        EXPECT_EQ(run({ "imports", "remove", "Filed" }).status, 0);
    }
    EXPECT_EQ(filesBelow(data()), seeded);
    expectNothingLostOrEscaped();
}

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
    QJsonObject report(const QStringList& command) const
    {
        const HostRun done = run(QStringList("--json") + command);
        EXPECT_EQ(done.status, 0) << command.join(' ').toStdString() << ": " << done.err.toStdString();
        return done.json();
    }
};

// Display names and collection ids are free text: each is saved, listed, named around,
// shown and removed exactly as given, and only inside the data folder.
TEST_P(HostileHostNames, AreTakenAsGivenByEveryCommand)
{
    report({ "effects", "save", "enhance", "--collection=" + name(), "--", name() });
    report({ "intros", "save", "--", name() });
    report({ "titles", "save", "--", name() });
    report({ "imports", "save", "--media", "{media}/clip.mp4", "--name=" + name(), "--", "named.rec" });
    // Each list command, then the key of its list.
    for (const QStringList& list :
        { QStringList { "effects", "list", "enhance", "presets" }, QStringList { "intros", "list", "intros" },
            QStringList { "titles", "list", "titles" }, QStringList { "imports", "list", "imports" } }) {
        const QString listed
            = Testing::valueAt(report(list.mid(0, list.size() - 1)), list.last() + "/*/name");
        EXPECT_TRUE(listed.split('|').contains(name())) << list.join(' ').toStdString();
    }
    for (const char* kind : { "intros", "titles", "imports" })
        EXPECT_EQ(report({ kind, "next-name", "--", name() })["proposal"].toString(), name() + "_01") << kind;
    EXPECT_TRUE(report({ "show", "--", name() })["picture"].toString().startsWith(data() + "/pictures/"));

    report({ "effects", "remove", "enhance", "--", name() });
    report({ "intros", "remove", "--", name() });
    report({ "imports", "remove", "--", name() });
    report({ "titles", "remove", "--", name() });
    // Pictures stay.
    for (const auto& entry : filesBelow(data()))
        EXPECT_TRUE(seeded.count(entry.first) || entry.first.startsWith("pictures/"))
            << entry.first.toStdString();
    expectNothingLostOrEscaped();
}

INSTANTIATE_TEST_SUITE_P(Names, HostileHostNames, ::testing::ValuesIn(hostileNames),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
