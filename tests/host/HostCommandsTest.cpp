// What the commands print and how they end, run after run on one data folder, and how
// the shell completes command lines. What the program refuses is in tests/hostile.

#include "HostProcess.h"

#include <QRegularExpression>

namespace {

using Testing::runHost;
using HostCommands = Testing::HostTest;

TEST_F(HostCommands, EachKindIsSavedListedAndRemovedRunAfterRunAndHelpSavesNothing)
{
    EXPECT_TRUE(runHost({ "--version" }).out.startsWith("usercollection "));
    const Testing::HostRun help = run("titles save -h -- Unsaved");
    EXPECT_TRUE(help.status == 0 && help.out.startsWith("Usage: usercollection titles save"))
        << help.out.toStdString();
    // Without --data, the data folder comes from the environment.
    const QStringList environment = { "USERCOLLECTION_DATA=" + root.path() };
    ASSERT_EQ(runHost({ "effects", "save", "equalizer", "Über ♪" }, environment).status, 0);
    const QString clip = mediaFile("clip.mp4");
    expectSession({
        { "effects save equalizer \"Bass boost\" --set band1=6 --set preamp=-2.5", { "name=Bass boost" } },
        { "effects list equalizer",
            { "presets/*/name=Bass boost|Über ♪", "presets/0/settings/preamp=-2.5",
                "presets/1/settings/band1=0" } },
        { "intros save Opening", { "name=Opening", "durationMs=3000" } },
        { "intros save Opening --timeline {media}/clip.mp4", { "name=Opening_01", "durationMs=5000" } },
        { "intros remove Opening_01", { "removed=true" } },
        { "intros show", { "shown/collection=intros", "shown/category=intros", "tiles=1" } },
        { "imports save clip --kind audio --media {media}/clip.mp4",
            { "name=clip", "kind=audio", "id~clip-" } },
        // Any name gives a file inside the imports folder.
        { "imports save \"../../x é\" --media {media}/clip.mp4", { "name=../../x é", "id~_.._x é-" } },
        { "imports list", { "imports/*/name=../../x é|clip", "imports/1/media=" + clip } },
        // A value like an option is taken as the text.
        { "titles save Plain --text -reverse", { "name=Plain" } },
        { "titles list", { "titles/*/text=-reverse" } },
        // In the order people sort, across collections.
        { "list --match P", { "items/*/name=clip|Opening|Plain" } },
    });
    // Two presets, an intro's record and bundle, two imports, a title; the picture shown;
    // and the removed intro's record and bundle with their note in the trash.
    EXPECT_EQ(root.files().size(), 11) << root.files().join(' ').toStdString();
}

TEST_F(HostCommands, EveryKindNumbersATakenNameRefusesItWhenExactAndRenamesInPlaceByNameOrId)
{
    mediaFile("clip.mp4");
    // How each kind is saved (followed by the name) and listed, and the key of its list.
    for (const auto& [save, list, key] : std::vector<std::array<QString, 3>> {
             { "effects save equalizer", "effects list equalizer", "presets" },
             { "titles save", "titles list", "titles" }, { "intros save", "intros list", "intros" },
             { "imports save --media {media}/clip.mp4", "imports list", "imports" } }) {
        SCOPED_TRACE(key.toStdString());
        const auto saving = [save = save](const QString& name) { return save + " " + name; };
        const QString rename = QString(list).replace("list", "rename") + " ";
        const QString first = report(saving("Same"))["id"].toString();
        const QString second = report(saving("\" Same \""))["id"].toString();
        const QStringList before = Testing::withoutTrash(root.files());
        expectSession({
            { saving("Same --exact"), { "exit=2", "error~'Same_02' is free" } },
            { rename + "Same Same_01", { "exit=2", "error~'Same_02' is free" } },
            { rename + "Same Same_01 --number", {} },
            { rename + "--id " + second + " \"  Third \"", {} },
            { list, { key + "/*/name=Same_02|Third", key + "/*/id=" + first + "|" + second } },
            { rename + "Third \" \"", { "exit=2" } },
            { rename + "Gone New", { "exit=1" } },
        });
        EXPECT_EQ(Testing::withoutTrash(root.files()), before);
    }
}

// Runs the script the program prints as bash with bash-completion would, for a command
// line (the program's path, then words) whose last word is being completed; what it
// offers, joined by '|'.
QString complete(const QStringList& words)
{
    const Testing::HostRun bash = runHost(words, {},
        { "bash", "-c",
            ". /usr/share/bash-completion/bash_completion && eval \"$(\"$0\" completion bash)\" && "
            "COMP_WORDS=(\"$@\") && COMP_CWORD=$(($# - 1)) && "
            "printf -v COMP_LINE '%s ' \"${COMP_WORDS[@]}\" && COMP_LINE=${COMP_LINE% } && "
            "COMP_POINT=${#COMP_LINE} && _usercollection \"$0\" && printf '%s\\n' \"${COMPREPLY[@]}\"",
            USERCOLLECTION_HOST_PATH });
    EXPECT_EQ(bash.status, 0) << bash.err.toStdString();
    return bash.out.trimmed().replace('\n', '|');
}

TEST_F(HostCommands, CompletionOffersCommandsOptionsAndSavedNamesAsTypedAndRunsNoneOfThem)
{
    EXPECT_EQ(complete({ "--quiet", "--data", "/tmp", "" }),
        "effects|imports|intros|titles|list|info|show|check|watch|export|import|trash|restore|history|demo|"
        "completion");
    EXPECT_EQ(complete({ "imports", "save", "x.rec", "--kind=" }), "file|video|audio|picture");
    EXPECT_EQ(complete({ "effects", "save", "enhance", "Warm", "--set", "sat" }), "saturation=");
    EXPECT_EQ(complete({ "titles", "rem" }), "remove");
    EXPECT_EQ(complete({ "titles", "remove", "--i" }), "--id");

    const QString quoted = QStringLiteral("It's \"loud\" \\ here");
    const QString marker = root.path() + "/ran";
    const QString spelled = QStringLiteral("$(touch %1)`touch %1`").arg(marker);
    for (const QString& name : { QString("Bass boost"), quoted, spelled })
        ASSERT_EQ(runHost({ "effects", "save", "equalizer", name, "--data", root.path() }).status, 0);
    const QStringList removing = { "--data=" + root.path(), "effects", "remove", "equalizer" };
    EXPECT_EQ(complete(removing + QStringList("")), spelled + "|Bass boost|" + quoted);
    // The word as typed, quoting included.
    EXPECT_EQ(complete(removing + QStringList("'Bass b")), "Bass boost");
    EXPECT_EQ(complete(removing + QStringList("\"It's \\\"l")), quoted);
    const QStringList renaming = { "--data", root.path(), "effects", "rename", "equalizer", "Bass" };
    EXPECT_EQ(complete(renaming), "Bass boost");
    EXPECT_EQ(complete({ "--data", root.path(), "info", "equalizer", "Bass" }), "Bass boost");
    EXPECT_FALSE(QFile::exists(marker));
}

// The man page's reference is written from the same table as --help.
TEST_F(HostCommands, TheManPageNamesEveryCommandAndOptionOfTheHelp)
{
    const QString man = runHost({ "__man" }).out;
    const QString help = runHost({ "--help" }).out;
    const QStringList groups = help.section("Commands:\n", 1).section("\n\n", 0, 0).split('\n');
    ASSERT_GT(groups.size(), 10);
    for (const QString& line : groups) {
        const QString group = line.trimmed().section(' ', 0, 0);
        const QString usage = runHost({ group, "--help" }).out;
        for (const QString& usageLine : usage.section("\n\n", 0, 0).split('\n').mid(1)) {
            QStringList command;
            for (const QString& word : usageLine.trimmed().split(' ').mid(1)) {
                if (!QRegularExpression("^[a-z][a-z-]*$").match(word).hasMatch())
                    break;
                command += word;
            }
            SCOPED_TRACE(usageLine.toStdString());
            EXPECT_TRUE(man.contains("\\fB" + command.join(' ').replace("-", "\\-") + "\\fR"));
        }
        const QString options = usage.section("\nOptions:\n", 1).section("\nGlobal options:\n", 0, 0);
        const QRegularExpression option("(?:^|\\n)  (?:-\\w, )?--([\\w-]+)");
        for (auto match = option.globalMatch(options); match.hasNext();)
            EXPECT_TRUE(man.contains("\\fB\\-\\-" + match.next().captured(1).replace("-", "\\-") + "\\fR"))
                << group.toStdString();
    }
}

// A second import adding nothing, and failing ones, are in tests/hostile.
TEST_F(HostCommands, AnImportListsWhatWasExported)
{
    const QString demo = at("A"), pack = QDir(media.path()).filePath("pack.zip");
    ASSERT_EQ(Testing::runHost({ "demo", "--data", demo }).status, 0);
    const QJsonObject exported
        = Testing::runHost({ "export", pack, "--json", "--quiet", "--data", demo }).json();
    EXPECT_EQ(exported["exported"].toInt(), 8); // every kind the demo makes, each item once
    EXPECT_EQ(report("import " + pack)["imported"].toInt(), 8);
    const auto names = [](const QJsonObject& report) {
        QStringList names = Testing::valueAt(report, "items/*/name").split('|');
        names.sort();
        return names;
    };
    EXPECT_EQ(names(report("list")), names(exported));
}

} // namespace
