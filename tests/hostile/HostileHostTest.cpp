// The program's refusals, hostile names and failing storage: every refused command fails
// with one line and its status, and changes nothing on disk.

#include "HostProcess.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QtEndian>

#include <KZip>
#include <algorithm>
#include <functional>

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
        { "replace_with_nothing_to_change", "effects save equalizer Kept --replace", 1, "nothing to change" },
        { "set_to_what_it_holds", "effects set equalizer Kept --set band1=3", 1, "nothing to change" },
        { "edit_with_nothing_to_change", "titles edit Kept --text Kept", 1, "nothing to change" },
        { "info_of_an_unknown_kind", "info reverb Kept", 2, "unknown kind 'reverb'" },
    };
    // Every save and change fails on each storage, every removal on a read-only one.
    const QString cannotWrite = "cannot write in the data folder";
    const auto label = [](const QString& command) {
        return command.section(' ', 0, 2).replace(QRegularExpression("\\W"), "_").toStdString();
    };
    for (const QString storage : { "FileSizeLimit", "ReadOnly" })
        for (const QString command : { "effects save equalizer New --set band2=4", "intros save New",
                 "titles save New", "imports save New --media {media}/clip.mp4", "show titles",
                 "effects set equalizer Kept --set band2=4", "titles edit Kept --text New" })
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

// A pack as its entries by path: "->target" makes a link, "zeros:N" N MiB of zeros.
using Entries = std::map<QString, QByteArray>;

QByteArray zipOf(const Entries& entries)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    KZip zip(&buffer);
    EXPECT_TRUE(zip.open(QIODevice::WriteOnly));
    for (const auto& [name, data] : entries) {
        if (data.startsWith("->")) {
            zip.writeSymLink(name, data.mid(2));
        } else if (data.startsWith("zeros:")) {
            // In pieces: the test never holds what the entry inflates to.
            const QByteArray piece(1 << 20, '\0');
            const qint64 size = data.mid(6).toLongLong() * piece.size();
            zip.prepareWriting(name, {}, {}, size);
            for (qint64 done = 0; done < size; done += piece.size())
                zip.writeData(piece.constData(), piece.size());
            zip.finishWriting(size);
        } else {
            zip.writeFile(name, data);
        }
    }
    EXPECT_TRUE(zip.close());
    return bytes;
}

// The ZIP with every header naming name declaring that it holds size bytes.
QByteArray declaring(QByteArray zip, const QByteArray& name, quint32 size)
{
    for (const auto& [signature, sizeAt, nameAt] : { std::tuple { "PK\3\4", 22, 30 }, { "PK\1\2", 24, 46 } })
        for (int at = zip.indexOf(signature); at >= 0; at = zip.indexOf(signature, at + 1))
            if (zip.mid(at + nameAt, name.size()) == name)
                qToLittleEndian<quint32>(size, zip.data() + at + sizeAt);
    return zip;
}

using Change = std::function<void(Entries&)>;

// from becomes to in the entries' paths and in the manifest.
Change renaming(const QString& from, const QString& to)
{
    return [from, to](Entries& entries) {
        Entries renamed;
        for (const auto& [name, data] : entries)
            renamed.emplace(QString(name).replace(from, to), data);
        renamed["manifest.json"] = QString::fromUtf8(renamed["manifest.json"]).replace(from, to).toUtf8();
        entries = renamed;
    };
}

Change setting(const QString& name, const QByteArray& data)
{
    return [name, data](Entries& entries) { entries[name] = data; };
}

// The pack's intro eight times, with a bundle of 12 MiB each time: nearly 100 MiB in all.
void manyLargeIntros(Entries& entries)
{
    QJsonObject manifest = QJsonDocument::fromJson(entries["manifest.json"]).object();
    const QByteArray intro = QJsonDocument(manifest["items"].toArray()[3].toObject()).toJson();
    entries["items/4/intro.bundle"].replace(
        "<sourcePath></sourcePath>", "<sourcePath>" + QByteArray(12 << 20, 'a') + "</sourcePath>");
    Entries many;
    QJsonArray items;
    for (const QByteArray copy : { "1", "2", "3", "4", "5", "6", "7", "8" }) {
        for (const QString file : { "record.xml", "preview.png", "intro.bundle" })
            many["items/" + copy + '/' + file] = entries["items/4/" + file];
        items
            << QJsonDocument::fromJson(QByteArray(intro).replace("items/4/", "items/" + copy + '/')).object();
    }
    manifest["items"] = items;
    many["manifest.json"] = QJsonDocument(manifest).toJson();
    entries = many;
}

struct HostilePack {
    std::string label;
    QString says; // what the one line of its refusal names; empty for a pack that is taken
    Change change;
    std::function<QByteArray(QByteArray)> changeZip = {};
};

const HostilePack hostilePacks[] = {
    { "NewerVersion", "format version 2", renaming("\"formatVersion\": 1", "\"formatVersion\": 2") },
    { "PathUp", "leaves the pack", renaming("items/1/record.xml", "../record.xml") },
    { "AbsolutePath", "leaves the pack", renaming("items/1/record.xml", "/tmp/record.xml") },
    { "Link", "is a link", setting("items/1/preview.png", "->/etc/passwd") },
    { "UnlistedEntry", "does not list", setting("extra.txt", "x") },
    { "DamagedRecord", "damaged", setting("items/2/record.xml", "<archive") },
    { "ImportCalledIntro", "the record of item", renaming("\"type\": \"import\"", "\"type\": \"intro\"") },
    // Found by fuzz_pack: Qt's parser leaked the value a repeated key drops.
    { "KeyTwice", "key twice", renaming("\"tool\": ", "\"items\": [], \"tool\": ") },
    { "DeclaredFarBeyond", "far beyond", {},
        [](QByteArray zip) { return declaring(zip, "manifest.json", 1u << 30); } },
    { "DeclaresLess", "more than it declares", {},
        [](QByteArray zip) { return declaring(zip, "items/1/record.xml", 100); } },
    // 300 MiB in a pack of 300 KB that says 100 bytes.
    { "DeflateBomb", "more than it declares", setting("items/1/record.xml", "zeros:300"),
        [](QByteArray zip) { return declaring(zip, "items/1/record.xml", 100); } },
    // One reader takes the first, another the last.
    { "EntryTwice", "entry 'items/1/record.xml' twice", setting("items/1/record.xmm", "<archive/>"),
        [](QByteArray zip) { return zip.replace("items/1/record.xmm", "items/1/record.xml"); } },
    { "NotAZip", "not a ZIP", {}, [](QByteArray) { return QByteArray("PK\3\4 and then nothing"); } },
    { "LargeBundlesInAll", "", manyLargeIntros },
};

class HostilePacks : public HostileHost, public ::testing::WithParamInterface<HostilePack> {
protected:
    // The suite's items as exported.
    static const Entries& exported()
    {
        static Entries entries;
        const QString pack = parent->filePath("media/all.zip");
        if (entries.empty() && run({ "export", pack }).status == 0) {
            KZip zip(pack);
            EXPECT_TRUE(zip.open(QIODevice::ReadOnly));
            entries["manifest.json"] = zip.directory()->file("manifest.json")->data();
            for (const QJsonValue item : QJsonDocument::fromJson(entries["manifest.json"])["items"].toArray())
                for (const QJsonValue file : item["files"].toObject())
                    entries[file.toString()] = zip.directory()->file(file.toString())->data();
            QFile::remove(pack);
        }
        return entries;
    }

    // The run of the program with what the sanitizer keeps of freed memory kept small,
    // so that its peak is what the program holds.
    static HostRun measured(const QStringList& arguments)
    {
        const QString asan = qEnvironmentVariable("ASAN_OPTIONS");
        return Testing::runHost(
            arguments, { "ASAN_OPTIONS=" + asan + (asan.isEmpty() ? "" : ":") + "quarantine_size_mb=8" });
    }
};

// Each is refused with one line by a dry run and by an import, adding nothing, or taken;
// and no run holds more than its budget: what a dry run of an honest pack needs, 32 MiB
// and eight times the largest entry, whatever the total.
TEST_P(HostilePacks, AreRefusedOrTakenWithinTheMemoryBudget)
{
    Entries entries = exported();
    const QString pack = parent->filePath("media/pack.zip");
    static qint64 floor = 0;
    if (floor == 0) {
        ASSERT_TRUE(Testing::writeFile(pack, zipOf(entries)));
        floor = measured({ "--data", data(), "import", pack, "--dry-run" }).peakBytes;
    }
    if (GetParam().change)
        GetParam().change(entries);
    const QByteArray zip = zipOf(entries);
    ASSERT_TRUE(Testing::writeFile(pack, GetParam().changeZip ? GetParam().changeZip(zip) : zip));
    const qint64 largest = std::max_element(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.second.size() < b.second.size();
    })->second.size();

    QTemporaryDir elsewhere;
    const QString& says = GetParam().says;
    for (const bool dryRun : { true, false }) {
        const QString target = says.isEmpty() && !dryRun ? elsewhere.path() : data();
        const HostRun done = measured({ "--data", target, "import", pack, dryRun ? "--dry-run" : "--quiet" });
        EXPECT_LE(done.peakBytes, floor + (qint64(32) << 20) + 8 * largest)
            << "dry run " << dryRun << ", floor " << floor << ", largest entry " << largest;
        EXPECT_EQ(done.status, says.isEmpty() ? 0 : 2) << done.err.toStdString();
        if (!says.isEmpty()) {
            EXPECT_TRUE(done.out.isEmpty() && done.err.count('\n') == 1 && done.err.contains(says))
                << done.err.toStdString();
        }
    }
    QFile::remove(pack);
    EXPECT_EQ(filesBelow(data()), seeded);
    Testing::expectKeptAndNothingOutside(parent->path(), { "data", "media", "outside" }, seeded);
}

INSTANTIATE_TEST_SUITE_P(Packs, HostilePacks, ::testing::ValuesIn(hostilePacks),
    [](const auto& info) { return info.param.label; });

// An import failing at any item of a pack of every kind takes back all it made, an
// intro's bundle and the folders too; one that does not fail adds the pack once. The item fails here as a
// full disk fails it: its record, the only one with a preview, is the one file too large to be written.
using FailingImports = HostilePacks;

TEST_F(FailingImports, EachLeavesTheFolderAsItWasWhereverItFails)
{
    QTemporaryDir target;
    // Beside a title, an intro of the pack's name whose bundle is gone.
    for (const QString seed : { "titles save Other", "intros save Kept" })
        ASSERT_EQ(Testing::runHost(QStringList { "--data", target.path() } + seed.split(' ')).status, 0);
    for (const auto& [file, bytes] : filesBelow(target.path()))
        QFile::remove(file.endsWith("intro.bundle") ? target.filePath(file) : QString());
    const Testing::Files before = filesBelow(target.path(), true);
    const QString pack = parent->filePath("media/pack.zip");
    for (int failing = 1; failing <= 5; ++failing) {
        Entries entries = exported();
        const QString kind
            = QJsonDocument::fromJson(entries["manifest.json"])["items"][failing - 1]["type"].toString();
        for (int other = 1; other <= 5; ++other) {
            const QString preview = QString("items/%1/preview.png").arg(other);
            if (other != failing && entries.erase(preview)) {
                entries["manifest.json"] = QString::fromUtf8(entries["manifest.json"])
                                               .remove("\"preview\": \"" + preview + "\",")
                                               .toUtf8();
            }
        }
        ASSERT_TRUE(Testing::writeFile(pack, zipOf(entries)));
        const HostRun done = Testing::runHost({ "--data", target.path(), "import", pack }, {},
            { "prlimit", "--fsize=880", "sh", "-c", R"(trap '' XFSZ; exec "$@")", "sh" });
        EXPECT_EQ(done.status, 1);
        EXPECT_TRUE(done.err.contains("could not save the " + kind)) << done.err.toStdString();
        EXPECT_EQ(filesBelow(target.path(), true), before) << "failing at " << kind.toStdString();
    }
    // Without the limit it comes in whole, and a second time adds nothing.
    const auto import = [&] {
        return Testing::runHost({ "--json", "--data", target.path(), "import", pack }).json();
    };
    EXPECT_EQ(import()["renamed"].toInt(), 1);
    const Testing::Files imported = filesBelow(target.path(), true);
    EXPECT_EQ(import()["alreadyThere"].toInt(), 5);
    EXPECT_EQ(filesBelow(target.path(), true), imported);
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
