#include "Application.h"

#include "CheckCommand.h"
#include "CommandError.h"
#include "CommandLine.h"
#include "CompletionCommand.h"
#include "DemoCommand.h"
#include "EffectCommands.h"
#include "Host.h"
#include "ImportCommands.h"
#include "InfoCommand.h"
#include "IntroCommands.h"
#include "ListCommand.h"
#include "Output.h"
#include "PackCommands.h"
#include "ShowCommand.h"
#include "TitleCommands.h"
#include "TrashCommands.h"
#include "WatchCommand.h"
#include <Settings/Settings.h>
#include <usercollection_version.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdio>
#include <exception>

namespace Cli {

namespace {

QList<CommandGroup> commandGroups()
{
    return QList<CommandGroup> { effectCommands(), importCommands(), introCommands(), titleCommands(),
        listCommands(), infoCommands(), showCommands(), checkCommands(), watchCommands() }
    + packCommands() + trashCommands() + QList<CommandGroup> { demoCommands(), completionCommands() };
}

QString freshDataFolder()
{
    QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("usercollection-demo-XXXXXX")));
    if (!folder.isValid())
        throw failure(QStringLiteral("cannot create a temporary data folder: %1").arg(folder.errorString()));
    folder.setAutoRemove(false);
    return folder.path();
}

// Whether --json stands among the options, which holds even when the rest of the
// command line is wrong.
bool asksForJson(const QStringList& arguments)
{
    const int end = arguments.indexOf(QStringLiteral("--"));
    const QStringList options = arguments.mid(0, end);
    return options.contains(QStringLiteral("--json")) || options.contains(QStringLiteral("-json"));
}

// One line on stderr; with --json, one JSON object on stdout instead.
int reportError(const QStringList& arguments, const QString& message, int status)
{
    if (asksForJson(arguments)) {
        const QJsonObject error { { QStringLiteral("error"), message }, { QStringLiteral("exit"), status } };
        std::fprintf(stdout, "%s\n", QJsonDocument(error).toJson(QJsonDocument::Compact).constData());
    } else {
        std::fprintf(stderr, "usercollection: %s\n", printable(message).toLocal8Bit().constData());
    }
    return status;
}

} // namespace

bool drawsPictures(const QStringList& arguments)
{
    try {
        CommandLine args(commandGroups());
        args.parse(arguments);
        return !args.helpRequested() && args.command() && args.command()->drawsPictures;
    } catch (const CommandError&) {
        return false;
    }
}

namespace {

// Takes back the folders a failed command made where there was none: what is left
// below folder holds no file.
void removeEmptyFolders(const QString& folder)
{
    QDir dir(folder);
    for (const QString& child : dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
        removeEmptyFolders(dir.filePath(child));
    QDir().rmdir(folder);
}

// The data folder as a command leaves it: a failed one creates nothing, and one that
// only reads says so when the folder is not there, so that a mistyped --data shows.
void afterCommand(const QString& dataRoot, bool existed, bool failed)
{
    if (existed || dataRoot.isEmpty())
        return;
    if (failed)
        removeEmptyFolders(dataRoot);
    else if (!QFileInfo::exists(dataRoot))
        std::fprintf(stderr,
            "usercollection: note: the data folder %s does not exist (give --data DIR for another)\n",
            QDir::toNativeSeparators(dataRoot).toLocal8Bit().constData());
}

} // namespace

int run(const QStringList& arguments)
{
    QString usedRoot;
    bool existed = true;
    // For the shell and the build, not for people: answered from the table, outside it.
    if (arguments.value(1) == QLatin1String("__complete"))
        return printCompletions(commandGroups(), arguments.mid(2));
    if (arguments.value(1) == QLatin1String("__man"))
        return printManCommands(commandGroups());
    try {
        CommandLine args(commandGroups());
        args.parse(arguments);
        if (args.helpRequested()) {
            std::fputs(args.helpText().toLocal8Bit().constData(), stdout);
            return 0;
        }
        if (args.versionRequested()) {
            std::printf("usercollection %s\n", USERCOLLECTION_VERSION_STRING);
            return 0;
        }
        // The services log under usercollection.<service>.
        if (args.quiet())
            QLoggingCategory::setFilterRules(QStringLiteral("usercollection.*.warning=false"));

        const Command& command = *args.command();
        // The trash notes each change under the command that made it.
        Settings::setChangeCommand(command.words.join(QLatin1Char(' ')));
        QString dataRoot = args.dataRoot();
        if (args.isSet(QStringLiteral("data")) && dataRoot.isEmpty())
            throw usageError(QStringLiteral("--data needs a folder"));
        if (dataRoot.isEmpty())
            dataRoot = command.makesFreshDataFolder ? freshDataFolder() : Settings::dataRoot();

        Output out(args.json());
        if (!command.startsOwnHost) {
            usedRoot = dataRoot;
            existed = QFileInfo::exists(dataRoot);
        }
        int status = 0;
        {
            std::unique_ptr<Host> host;
            if (!command.startsOwnHost)
                host = std::make_unique<Host>(dataRoot);
            Context context { host.get(), out, args, dataRoot };
            command.run(context);
            if (!command.streams)
                out.finish();
            status = context.status;
        }
        afterCommand(usedRoot, existed, status != 0);
        return status;
    } catch (const CommandError& error) {
        afterCommand(usedRoot, existed, true);
        return reportError(arguments, error.message(), error.status());
    } catch (const std::exception& error) {
        afterCommand(usedRoot, existed, true);
        return reportError(arguments,
            QStringLiteral("unexpected error: %1").arg(QString::fromLocal8Bit(error.what())),
            CommandError::Failed);
    }
}

} // namespace Cli
