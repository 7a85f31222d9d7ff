// Every kind of item on the data folders real use produces (a copy under another name, a
// sync tool's conflict copy, an intro folder copied, the same display name brought in
// from another data folder, a save interrupted long ago): each command agrees with
// `list`, and the folder's listing changes only as the command says.

#include "HostProcess.h"

#include <QUuid>

namespace {

using Testing::valueAt;

struct Kind {
    QString save; // the command that saves an item called Voice, before the name
    QString list; // the command that lists the kind
    QString key; // the listing's array in its JSON report
    QString rename, remove; // the words of its rename and remove commands
    QString folder; // the kind's folder below the data root
};

enum class State { Copy, ConflictCopy, SameNameElsewhere, Leftover };

struct Case {
    Kind kind;
    State state;
};

std::string caseName(const ::testing::TestParamInfo<Case>& info)
{
    static const char* const states[] = { "Copy", "ConflictCopy", "SameNameElsewhere", "Leftover" };
    return info.param.kind.key.toStdString() + info.param.kind.folder.section('/', -1).toStdString()
        + states[int(info.param.state)];
}

class FolderStates : public Testing::HostTest, public ::testing::WithParamInterface<Case> {
protected:
    const Kind& kind() const { return GetParam().kind; }

    QString saveCommand(const QString& name) const
    {
        return kind().save + ' ' + name + (kind().key == "imports" ? " --media " + mediaFile("v.mp4") : "");
    }
    // The entries of the kind's folder: record files, or an intro's folders.
    QStringList entries() const
    {
        return QDir(at(kind().folder))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    QJsonObject listed() const { return report(kind().list, false); }
    QString names() const { return valueAt(listed(), kind().key + "/*/name"); }

    // Brings the folder into the state; returns the entry that is the problem.
    QString arrange(const QString& own) const
    {
        const QString folder = at(kind().folder) + '/';
        switch (GetParam().state) {
        case State::Copy:
            return copy(folder + own, folder + (kind().key == "intros" ? "backup" : "Voice (copy)"));
        case State::ConflictCopy:
            return copy(folder + own, folder + own + " (conflicted copy)");
        case State::SameNameElsewhere: {
            QTemporaryDir other;
            EXPECT_EQ(Testing::runHost(QStringList { "--data", other.path() }
                          + QProcess::splitCommand(saveCommand("Voice")))
                          .status,
                0);
            const QString entry = QDir(other.path() + '/' + kind().folder)
                                      .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                                      .value(0);
            const QString target = entry == own ? entry + " (2)" : entry;
            copy(other.path() + '/' + kind().folder + '/' + entry, folder + target);
            return folder + target;
        }
        case State::Leftover:
            return copy(kind().key == "intros" ? folder + own + "/record.xml" : folder + own,
                kind().key == "intros" ? folder + own + "/record.xml.a1B2c3"
                                       : folder + QUuid::createUuid().toString() + ".a1B2c3");
        }
        return QString();
    }

    static QString copy(const QString& from, const QString& to)
    {
        EXPECT_EQ(QProcess::execute("cp", { "-a", from, to }), 0);
        return to;
    }
};

TEST_P(FolderStates, EveryCommandAgreesWithTheListingAndChangesOnlyWhatItSays)
{
    const QString id = report(saveCommand("Voice"))["id"].toString();
    const QString own = entries().value(0);
    ASSERT_EQ(entries().size(), 1);
    const QString problem = arrange(own);
    const bool sameName = GetParam().state == State::SameNameElsewhere;

    // Listed as the items they are: a twin or a leftover is no item, another id is one.
    EXPECT_EQ(names(), sameName ? "Voice|Voice" : "Voice");
    EXPECT_EQ(valueAt(report("list", false), "items/*/name"), names());
    const QString otherId
        = sameName ? valueAt(listed(), kind().key + "/*/id").remove(id).remove('|') : QString();

    // The check names the problem, the fix changes that and nothing else. Of two items
    // called alike, the later by file name is renamed.
    const QJsonObject found = run("--json check").json();
    const QString relativeProblem = QDir(root.path()).relativeFilePath(problem);
    const QString relativeOwn = QDir(root.path()).relativeFilePath(at(kind().folder + '/' + own));
    EXPECT_EQ(valueAt(found, "problems/*/kind"),
        sameName                                  ? "name"
            : GetParam().state == State::Leftover ? "leftover"
                                                  : "duplicate");
    if (sameName)
        EXPECT_TRUE(
            QStringList({ relativeProblem, relativeOwn }).contains(valueAt(found, "problems/*/path")));
    else
        EXPECT_EQ(valueAt(found, "problems/*/path"), relativeProblem);
    // Rename and replace act on the listed record and leave its twins as they were,
    // saying so.
    if (GetParam().state == State::Copy || GetParam().state == State::ConflictCopy) {
        const QString record = kind().key == "intros" ? "/record.xml" : "";
        const auto others = [&] {
            Testing::Files files = Testing::filesBelow(at(kind().folder));
            files.erase(own + record);
            return files;
        };
        const Testing::Files kept = others();
        QStringList commands { kind().rename + " --id " + id + " Renamed",
            kind().rename + " --id " + id + " Voice" };
        if (kind().key == "presets")
            commands << saveCommand("Voice") + " --replace --set "
                    + (kind().save.contains("enhance") ? "contrast=5" : "band1=1");
        for (const QString& command : commands)
            EXPECT_EQ(valueAt(report(command, false), "twins/*"), problem + record) << command.toStdString();
        EXPECT_EQ(others(), kept);
        EXPECT_EQ(names(), "Voice");
    }

    QStringList before = root.files();
    EXPECT_EQ(run("check --fix").status, 0);
    EXPECT_EQ(run("check").status, 0);
    EXPECT_TRUE(entries().contains(own));
    if (sameName) {
        EXPECT_EQ(Testing::withoutTrash(root.files()), Testing::withoutTrash(before));
        EXPECT_EQ(names(), "Voice|Voice_01");
    } else {
        EXPECT_EQ(QStringList(root.files()).filter(QRegularExpression("^(?!quarantine/)")),
            QStringList(before.filter(
                QRegularExpression("^(?!" + QRegularExpression::escape(relativeProblem) + ")"))));
        EXPECT_EQ(names(), "Voice");
    }

    // Rename and remove by id act on that item, whatever its name is; the other stays.
    QString otherName;
    for (const QJsonValue& item : listed()[kind().key].toArray()) {
        if (item["id"].toString() != id)
            otherName = item["name"].toString();
    }
    before = root.files();
    report(kind().rename + " --id " + id + " Renamed", false);
    EXPECT_EQ(Testing::withoutTrash(root.files()), Testing::withoutTrash(before));
    EXPECT_EQ(names(), sameName ? "Renamed|" + otherName : "Renamed");
    report(kind().remove + " --id " + id, false);
    EXPECT_FALSE(entries().contains(own));
    EXPECT_EQ(valueAt(listed(), kind().key + "/*/id"), otherId);

    // Export takes what the listing shows; the program takes its own pack back.
    const QString pack = media.path() + "/pack.zip";
    const Testing::HostRun exported = run("--json export " + pack);
    EXPECT_EQ(valueAt(exported.json(), "items/*/name"), otherName);
    if (sameName) {
        QTemporaryDir other;
        EXPECT_EQ(Testing::runHost({ "--data", other.path(), "import", pack }).status, 0);
        EXPECT_EQ(
            valueAt(Testing::runHost({ "--json", "--data", other.path(), "list" }).json(), "items/*/name"),
            otherName);
    }
}

const Kind equalizer { "effects save equalizer", "effects list equalizer", "presets",
    "effects rename equalizer", "effects remove equalizer", "effects/AudioEqualizer" };
const Kind enhance { "effects save enhance", "effects list enhance", "presets", "effects rename enhance",
    "effects remove enhance", "effects/ManualEnhance" };
const Kind imports { "imports save", "imports list", "imports", "imports rename", "imports remove",
    "imports" };
const Kind intros { "intros save", "intros list", "intros", "intros rename", "intros remove", "intros" };
const Kind titles { "titles save", "titles list", "titles", "titles rename", "titles remove", "overlays" };

std::vector<Case> everyCase()
{
    std::vector<Case> cases;
    for (const Kind& kind : { equalizer, enhance, imports, intros, titles }) {
        for (State state : { State::Copy, State::ConflictCopy, State::SameNameElsewhere, State::Leftover })
            cases.push_back({ kind, state });
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryKind, FolderStates, ::testing::ValuesIn(everyCase()), caseName);

} // namespace
