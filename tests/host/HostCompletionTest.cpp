#include "HostProcess.h"
#include <TempDataRoot.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using Testing::HostRun;
using Testing::runHost;

namespace {

// Runs the script the program prints as bash would for a command line whose last word
// is being completed; what it offers, joined by '|'.
class HostCompletion : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        scratch = std::make_unique<QTemporaryDir>();
        const HostRun printed = runHost({ "completion", "bash" });
        ASSERT_EQ(printed.status, 0) << printed.err.toStdString();
        QFile script(scratch->filePath("usercollection.bash"));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(printed.out.toUtf8());
    }
    static void TearDownTestSuite() { scratch.reset(); }

    static std::string complete(const QStringList& words, const QStringList& environment = {})
    {
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        variables.insert("QT_QPA_PLATFORM", "offscreen");
        for (const QString& entry : environment)
            variables.insert(entry.section('=', 0, 0), entry.section('=', 1));
        QProcess bash;
        bash.setProcessEnvironment(variables);
        bash.start("bash",
            QStringList { "-c",
                "source \"$1\" && shift && COMP_WORDS=(\"$@\") && COMP_CWORD=$(($# - 1)) && "
                "_usercollection \"$1\" && printf '%s\\n' \"${COMPREPLY[@]}\"",
                "bash", scratch->filePath("usercollection.bash"), USERCOLLECTION_HOST_PATH }
                + words);
        EXPECT_TRUE(bash.waitForFinished(60000));
        EXPECT_EQ(bash.exitCode(), 0) << bash.readAllStandardError().toStdString();
        QStringList offered = QString::fromUtf8(bash.readAllStandardOutput()).split('\n');
        offered.removeAll(QString());
        return offered.join('|').toStdString();
    }

    void save(const QStringList& arguments)
    {
        const HostRun run = runHost(arguments + QStringList { "--data", root.path() });
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
    }

    static inline std::unique_ptr<QTemporaryDir> scratch;
    Testing::TempDataRoot root;
};

std::string joined(const QStringList& words)
{
    return words.join('|').toStdString();
}

// One column of a block of the program's help, such as the commands it lists.
QStringList helpEntries(const QStringList& arguments, const QString& after, int column)
{
    const QStringList lines = runHost(arguments).out.split('\n');
    QStringList entries;
    for (int index = lines.indexOf(after) + 1; index > 0 && index < lines.size() && !lines[index].isEmpty();
         ++index)
        entries += lines[index].simplified().section(' ', column, column);
    return entries;
}

TEST_F(HostCompletion, OffersEveryCommandAndSubcommandTheHelpLists)
{
    const QStringList groups = helpEntries({ "--help" }, "Commands:", 0);
    ASSERT_TRUE(groups.contains("completion")) << joined(groups);
    EXPECT_EQ(complete({ "" }), joined(groups));
    EXPECT_EQ(complete({ "--quiet", "--data", root.path(), "" }), joined(groups));

    for (const QString& group : groups) {
        const QStringList subcommands = helpEntries({ group, "--help" }, "Usage:", 2);
        if (subcommands.size() > 1) {
            EXPECT_EQ(complete({ group, "" }), joined(subcommands)) << group.toStdString();
        }
    }
    EXPECT_EQ(complete({ "i" }), "imports|intros|import");
    EXPECT_EQ(complete({ "intros", "ne" }), "next-name");
}

TEST_F(HostCompletion, OffersEffectTypesKindsCollectionsAndTheOptionsOfTheCommand)
{
    struct Row {
        QStringList words;
        const char* offered;
    };
    const QList<Row> rows = {
        { { "effects", "save", "" }, "equalizer|enhance" },
        { { "effects", "remove", "en" }, "enhance" },
        { { "imports", "remove", "--kind", "" }, "file|video|audio|picture" },
        { { "imports", "save", "x.rec", "--kind", "=", "" }, "file|video|audio|picture" },
        { { "imports", "save", "x.rec", "--kind", "=" }, "file|video|audio|picture" },
        { { "show", "" }, "imports|intros|titles|audio_effects|video_effects" },
        { { "titles", "save", "--" },
            "--data|--json|--quiet|--version|--help|--text|--font|--color|--background|--preview|--exact" },
        { { "effects", "save", "equalizer", "Bass", "--set", "" }, "" },
        { { "completion", "" }, "bash" },
    };
    for (const Row& row : rows)
        EXPECT_EQ(complete(row.words), row.offered) << row.words.join(' ').toStdString();
}

TEST_F(HostCompletion, OffersTheSavedNamesOfTheDataFolderTypedOrSetAsTheyAre)
{
    const QString quoted = QStringLiteral("It's \"loud\" \\ here");
    save({ "effects", "save", "equalizer", "Bass boost" });
    save({ "effects", "save", "equalizer", quoted });
    save({ "effects", "save", "enhance", "Warm" });
    save({ "titles", "save", QStringLiteral("Grüße an alle") });

    EXPECT_EQ(complete({ "--data", root.path(), "effects", "remove", "equalizer", "" }),
        joined({ "Bass boost", quoted }));
    EXPECT_EQ(
        complete({ "effects", "remove", "enhance", "" }, { "USERCOLLECTION_DATA=" + root.path() }), "Warm");
    EXPECT_EQ(complete({ "--data", "=", root.path(), "effects", "remove", "equalizer", "B" }), "Bass boost");
    EXPECT_EQ(complete({ "--data=" + root.path(), "titles", "next-name", "" }), "Grüße an alle");

    // The word as typed, quoting included.
    for (const char* typed : { "Bass\\ b", "\"Bass b", "'Bass b" })
        EXPECT_EQ(complete({ "--data", root.path(), "effects", "remove", "equalizer", typed }), "Bass boost")
            << typed;
    EXPECT_EQ(complete({ "--data", root.path(), "effects", "remove", "equalizer", "\"It's \\\"l" }),
        quoted.toStdString());
    EXPECT_EQ(complete({ "--data", root.path(), "intros", "remove", "" }), "");
}

TEST_F(HostCompletion, RunsNothingASavedNameSpells)
{
    const QString marker = QDir(root.path()).filePath("ran");
    const QString name = QStringLiteral("$(touch %1)`touch %1`").arg(marker);
    save({ "titles", "save", name });

    EXPECT_EQ(complete({ "--data", root.path(), "titles", "next-name", "" }), name.toStdString());
    EXPECT_FALSE(QFile::exists(marker));
}

} // namespace
