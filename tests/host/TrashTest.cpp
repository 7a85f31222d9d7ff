// What the trash keeps of every change a command makes, and what restore, history and
// trash empty do with it, through the program, the data folder's files compared.

#include "HostProcess.h"
#include <rapidcheck/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>

#include <map>

namespace {

using Testing::Files;
using Testing::filesBelow;

class Trash : public Testing::HostTest {
protected:
    // The data folder as its listings read it: every file but the trash and the lock.
    Files listing() const
    {
        Files files = filesBelow(root.path());
        for (auto file = files.begin(); file != files.end();) {
            const bool own = file->first.startsWith("trash/") || file->first.startsWith("quarantine/")
                || file->first == ".lock";
            file = own ? files.erase(file) : std::next(file);
        }
        return files;
    }
    QJsonArray entries() const { return report("trash")["entries"].toArray(); }
    // The notes of the trash's entries, oldest first, read from the folder.
    std::vector<QJsonObject> notes() const
    {
        std::vector<QJsonObject> found;
        for (const QString& entry :
            QDir(at("trash")).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            QFile note(at("trash/" + entry + "/note.json"));
            found.push_back(note.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(note.readAll()).object()
                                                           : QJsonObject());
        }
        return found;
    }
};

// A random session of saves, replaces, renames and removes of presets: each change
// that changes a file keeps one entry of the item in the trash, and restoring the item
// at once gives back the folder as it was before the change.
RC_GTEST_FIXTURE_PROP(Trash, EveryChangeIsKeptAndRestoreUndoesIt, ())
{
    const std::vector<QString> names { "A", "B", "C" };
    std::map<QString, QString> ids; // by name, what the folder holds
    const int steps = *rc::gen::inRange(3, 8);
    for (int step = 0; step < steps; ++step) {
        const QString name = names[std::size_t(*rc::gen::inRange(0, 3))];
        const int value = *rc::gen::inRange(-6, 7);
        if (!ids.count(name)) {
            ids[name] = report(
                QString("effects save equalizer %1 --exact --set band1=%2").arg(name).arg(value))["id"]
                            .toString();
            continue;
        }
        const std::map<QString, QString> before = ids;
        const QString id = ids[name];
        QString change;
        switch (*rc::gen::inRange(0, 3)) {
        case 0:
            // Each step's own value: a replace that changes nothing is refused.
            change = QString("effects save equalizer %1 --replace --set band2=%2").arg(name).arg(step);
            break;
        case 1: {
            QString other = names[std::size_t(*rc::gen::inRange(0, 3))];
            if (ids.count(other))
                other += "_new";
            if (ids.count(other))
                continue;
            change = QString("effects rename equalizer %1 %2").arg(name, other);
            ids.erase(name);
            ids[other] = id;
            break;
        }
        default:
            change = QString("effects remove equalizer %1").arg(name);
            ids.erase(name);
        }
        const Files listed = listing();
        const std::size_t kept = notes().size();
        report(change);
        if (listing() == listed) {
            RC_ASSERT(notes().size() == kept);
            continue;
        }
        const std::vector<QJsonObject> now = notes();
        RC_ASSERT(now.size() == kept + 1);
        RC_ASSERT(now.back()["id"].toString() == id);
        if (*rc::gen::arbitrary<bool>()) {
            report("restore equalizer --id " + id);
            RC_ASSERT(listing() == listed);
            ids = before;
        }
    }
}

TEST_F(Trash, RestoreTakesTheNextFreeNameAndHistoryCountsEveryVersion)
{
    const QString id = report("effects save equalizer Voice --set band1=-6")["id"].toString();
    report("effects save equalizer Voice --replace --set band1=3");
    report("effects rename equalizer Voice Speech");
    const QJsonObject history = report("history equalizer Speech");
    EXPECT_EQ(Testing::valueAt(history, "versions/*/change"), "renamed|replaced");
    EXPECT_EQ(Testing::valueAt(history, "versions/*/command"), "effects rename|effects save");
    EXPECT_EQ(Testing::valueAt(history, "versions/*/holds"), "band1=3|band1=-6");
    report("effects remove equalizer Speech");
    report("effects save equalizer Voice --set band1=1");
    // The version before the replace, under the next free name: another preset is Voice.
    EXPECT_EQ(report("restore equalizer --id " + id + " --version 3")["name"].toString(), "Voice_01");
    EXPECT_EQ(Testing::valueAt(report("effects list equalizer"), "presets/*/name"), "Voice|Voice_01");
    EXPECT_EQ(run("restore equalizer Nobody").status, 1);
}

TEST_F(Trash, EmptyDeletesOnlyWhatIsOlderAndSaysWhat)
{
    for (const QString name : { "Old", "New" }) {
        report("titles save " + name);
        report("titles remove " + name);
    }
    // The entry of Old was kept ten days ago.
    for (const QString& folder : QDir(at("trash")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile note(at("trash/" + folder + "/note.json"));
        ASSERT_TRUE(note.open(QIODevice::ReadWrite));
        QJsonObject json = QJsonDocument::fromJson(note.readAll()).object();
        if (json["name"] == "Old")
            json["when"] = QDateTime::currentDateTimeUtc().addDays(-10).toString(Qt::ISODateWithMs);
        note.resize(0);
        note.write(QJsonDocument(json).toJson());
    }
    const Files before = filesBelow(root.path());
    const Testing::HostRun emptied = run("trash empty --older-than 5");
    EXPECT_EQ(emptied.status, 0);
    EXPECT_TRUE(emptied.out.contains("Deleted title 'Old'") && !emptied.out.contains("'New'"))
        << emptied.out.toStdString();
    Files lost;
    const Files after = filesBelow(root.path());
    for (const auto& [file, bytes] : before) {
        if (!after.count(file))
            lost[file] = bytes;
    }
    ASSERT_EQ(lost.size(), 2u); // Old's record and note
    EXPECT_EQ(Testing::valueAt(report("trash"), "entries/*/name"), "New");
    EXPECT_EQ(report("trash empty")["deleted"].toArray().size(), 1);
    EXPECT_EQ(entries().size(), 0);
}

TEST_F(Trash, QuarantineIsRestoredTheSameWayAndCheckPassesTheTrashOver)
{
    report("titles save Kept");
    report("titles save Twin");
    report("titles remove Twin"); // something in the trash, which check must not report
    const QString file = filesBelow(at("overlays")).begin()->first;
    ASSERT_TRUE(QFile::copy(at("overlays/" + file), at("overlays/" + file + " (copy)")));
    const Files before = listing();
    run("check --fix");
    EXPECT_EQ(report("check")["found"].toInt(), 0);
    EXPECT_NE(listing(), before);
    EXPECT_EQ(report("restore title Kept")["name"].toString(), "Kept");
    EXPECT_EQ(listing(), before);
}

} // namespace
