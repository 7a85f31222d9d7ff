#include "HostProcess.h"

#include <QFile>
#include <QProcess>

namespace {

using Testing::runHost;

// Runs the script the program prints as bash would for a command line whose last word
// is being completed; what it offers, joined by '|'.
class HostCompletion : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(Testing::writeFile(
            script.filePath("usercollection.bash"), runHost({ "completion", "bash" }).out.toUtf8()));
    }

    static std::string complete(const QStringList& words, const QStringList& environment = {})
    {
        QProcess bash;
        bash.setProcessEnvironment(Testing::hostEnvironment(environment));
        bash.start("bash",
            QStringList { "-c",
                "source \"$1\" && shift && COMP_WORDS=(\"$@\") && COMP_CWORD=$(($# - 1)) && "
                "_usercollection \"$1\" && printf '%s\\n' \"${COMPREPLY[@]}\"",
                "bash", script.filePath("usercollection.bash"), USERCOLLECTION_HOST_PATH }
                + words);
        EXPECT_TRUE(bash.waitForFinished(60000));
        EXPECT_EQ(bash.exitCode(), 0) << bash.readAllStandardError().toStdString();
        return QString::fromUtf8(bash.readAllStandardOutput())
            .split('\n', Qt::SkipEmptyParts)
            .join('|')
            .toStdString();
    }
    // On the data folder: the words of command, then the last word as typed.
    std::string completeIn(const QString& command, const QString& typed)
    {
        return complete(QStringList { "--data", root.path() } + command.split(' ') + QStringList(typed));
    }

    static inline QTemporaryDir script;
    Testing::TempDataRoot root;
};

TEST_F(HostCompletion, OffersTheCommandsEffectTypesKindsCollectionsAndTheOptionsOfTheCommand)
{
    // The words typed, the last one being completed.
    const QList<QPair<QString, std::string>> rows = {
        { "", "effects|imports|intros|titles|list|show|check|demo|completion" },
        { "--quiet --data /tmp ", "effects|imports|intros|titles|list|show|check|demo|completion" },
        { "i", "imports|intros" },
        { "effects ", "save|list|rename|remove" },
        { "imports ", "save|list|next-name|rename|remove" },
        { "intros ", "save|list|next-name|rename|remove|show" },
        { "titles ", "save|list|next-name|rename|remove" },
        { "intros ne", "next-name" },
        { "effects save ", "equalizer|enhance" },
        { "effects remove en", "enhance" },
        { "imports remove --kind ", "file|video|audio|picture" },
        // Bash splits "--kind=" into "--kind" and "=".
        { "imports save x.rec --kind = ", "file|video|audio|picture" },
        { "imports save x.rec --kind =", "file|video|audio|picture" },
        { "show ", "imports|intros|titles|audio_effects|video_effects" },
        { "titles save --",
            "--data|--json|--quiet|--version|--help|--text|--font|--color|--background|--preview|--exact" },
        { "effects save equalizer Bass --set ", "" },
        { "completion ", "bash" },
    };
    for (const auto& [words, offered] : rows)
        EXPECT_EQ(complete(words.split(' ')), offered) << words.toStdString();
}

TEST_F(HostCompletion, OffersTheSavedNamesOfTheDataFolderTypedOrSetAsTheyAreAndRunsNoneOfThem)
{
    const QString quoted = QStringLiteral("It's \"loud\" \\ here");
    const QString marker = root.path() + "/ran";
    const QString spelled = QStringLiteral("$(touch %1)`touch %1`").arg(marker);
    for (const QStringList& save : { QStringList { "effects", "save", "equalizer", "Bass boost" },
             { "effects", "save", "equalizer", quoted }, { "effects", "save", "enhance", "Warm" },
             { "titles", "save", QStringLiteral("Grüße an alle") }, { "titles", "save", spelled } })
        ASSERT_EQ(runHost(save + QStringList { "--data", root.path() }).status, 0);

    EXPECT_EQ(completeIn("effects remove equalizer", ""), "Bass boost|" + quoted.toStdString());
    EXPECT_EQ(
        complete({ "effects", "remove", "enhance", "" }, { "USERCOLLECTION_DATA=" + root.path() }), "Warm");
    EXPECT_EQ(complete({ "--data", "=", root.path(), "effects", "remove", "equalizer", "B" }), "Bass boost");
    EXPECT_EQ(complete({ "--data=" + root.path(), "titles", "next-name", "G" }), "Grüße an alle");
    // The word as typed, quoting included.
    for (const char* typed : { "Bass\\ b", "\"Bass b", "'Bass b" })
        EXPECT_EQ(completeIn("effects remove equalizer", typed), "Bass boost") << typed;
    EXPECT_EQ(completeIn("effects remove equalizer", "\"It's \\\"l"), quoted.toStdString());
    EXPECT_EQ(completeIn("intros remove", ""), "");
    EXPECT_EQ(completeIn("titles next-name", ""), spelled.toStdString() + "|Grüße an alle");
    EXPECT_FALSE(QFile::exists(marker));
}

TEST(HostHelp, DescribesTheProgramAndEveryCommand)
{
    EXPECT_TRUE(runHost({ "--help" }).out.contains("\nCommands:\n  effects "));
    for (const char* command :
        { "effects", "imports", "intros", "titles", "list", "show", "check", "demo", "completion" }) {
        const Testing::HostRun help = runHost({ command, "--help" });
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_TRUE(help.out.contains(QStringLiteral("usercollection ") + command)) << help.out.toStdString();
    }
    EXPECT_TRUE(runHost({ "imports", "save", "--help" }).out.contains("--media PATH"));
}

} // namespace
