#include "CheckCommand.h"

#include "CommandError.h"
#include "Host.h"
#include "Output.h"
#include <Services/DataFolderCheck.h>
#include <Settings/Settings.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <vector>

namespace Cli {

namespace {

QJsonObject problemJson(const QDir& root, const Services::FolderProblem& problem, bool moved)
{
    return QJsonObject {
        { QStringLiteral("kind"), problem.kind },
        { QStringLiteral("collection"), problem.collection },
        { QStringLiteral("path"), root.relativeFilePath(problem.path) },
        { QStringLiteral("detail"), problem.detail },
        { QStringLiteral("moved"), moved },
        { QStringLiteral("newName"), problem.newName },
    };
}

void runCheck(Context& context)
{
    Host& host = *context.host;
    Output& out = context.out;
    const bool fix = context.args.isSet(QStringLiteral("fix"));
    const QDir root(host.dataRoot());
    // A save in progress would show as a leftover: the lock waits for it to finish.
    if (root.exists())
        fix ? host.prepareForWriting() : host.lock();
    if (fix)
        Settings::setChangeCommand(QStringLiteral("check --fix"));

    const std::vector<Services::FolderProblem> found = Services::checkDataFolder(host.dataRoot());
    const std::vector<Services::FolderProblem> left
        = fix ? Services::quarantineProblems(host.dataRoot(), found) : found;

    QJsonArray entries;
    QString collection;
    for (const Services::FolderProblem& problem : found) {
        const bool moved = std::none_of(
            left.begin(), left.end(), [&problem](const auto& other) { return other.path == problem.path; });
        if (problem.collection != collection) {
            collection = problem.collection;
            out.line(collection);
        }
        const bool renamed = problem.kind == QLatin1String("name");
        out.line(QStringLiteral("  %1  %2  %3%4")
                     .arg(problem.kind.leftJustified(10),
                         QDir::toNativeSeparators(root.relativeFilePath(problem.path)), problem.detail,
                         !moved        ? QString()
                             : renamed ? QStringLiteral(" (renamed '%1')").arg(problem.newName)
                                       : QStringLiteral(" (moved to quarantine)")));
        entries.append(problemJson(root, problem, moved));
    }
    const int fixed = int(found.size() - left.size());
    if (found.empty())
        out.line(QStringLiteral("The data folder %1 is clean").arg(QDir::toNativeSeparators(root.path())));
    else if (fix)
        out.line(QStringLiteral("%1 of %2 problem(s) moved into %3 with a note of what each was")
                     .arg(fixed)
                     .arg(found.size())
                     .arg(QDir::toNativeSeparators(root.filePath(QStringLiteral("quarantine")))));
    else
        out.line(QStringLiteral("%1 problem(s); 'usercollection check --fix' moves them into quarantine/")
                     .arg(found.size()));
    out.set(QStringLiteral("dataFolder"), root.path());
    out.set(QStringLiteral("problems"), entries);
    out.set(QStringLiteral("found"), int(found.size()));
    out.set(QStringLiteral("fixed"), fixed);
    if (!left.empty())
        context.status = CommandError::Failed;
}

} // namespace

CommandGroup checkCommands()
{
    Command check;
    check.words = QStringList { QStringLiteral("check") };
    check.summary = QStringLiteral(
        "Reports, per collection, what its listing passes over or cannot use: damaged or unreadable records, "
        "records of another type, twins of a listed item, items sharing a display name, intros without their "
        "record or bundle, "
        "leftovers of interrupted saves and any other file. Exit status 0 when the data folder is clean, "
        "1 when problems remain.");
    check.options = {
        { QStringLiteral("fix"),
            QStringLiteral("Moves each problem into quarantine/<date>/ in the data folder, with a note of "
                           "what it was, and gives an item that shares a display name the next free one; "
                           "deletes nothing.") },
    };
    check.run = runCheck;

    CommandGroup group;
    group.name = QStringLiteral("check");
    group.summary = QStringLiteral("Check a data folder, and move what is wrong into quarantine");
    group.commands = { check };
    return group;
}

} // namespace Cli
