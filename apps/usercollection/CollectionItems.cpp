#include "CollectionItems.h"

#include "CommandError.h"
#include "CommandLine.h"
#include "Inputs.h"
#include "Output.h"
#include <Services/CollectionBrowser.h>

#include <QFileInfo>
#include <QJsonArray>

#include <algorithm>

namespace Cli {

QString ItemChoice::described() const
{
    return id.isEmpty() ? QStringLiteral("called '%1'").arg(name) : QStringLiteral("with id '%1'").arg(id);
}

ItemChoice itemChoice(const CommandLine& args, int nameIndex)
{
    if (args.isSet(QStringLiteral("id")))
        return { QString(), args.value(QStringLiteral("id")).trimmed() };
    return { cleanName(args.argument(nameIndex), QStringLiteral("NAME")), QString() };
}

QCommandLineOption idOption()
{
    return QCommandLineOption(QStringLiteral("id"),
        QStringLiteral("The item with this id, as the lists show it, instead of its name."),
        QStringLiteral("ID"));
}

QString chooseName(const QString& wanted, const QString& free, bool takeFree, const QString& what)
{
    if (free == wanted || takeFree)
        return free;
    throw usageError(QStringLiteral("%1 called '%2' exists already; '%3' is free").arg(what, wanted, free));
}

void reportTwinFiles(Output& out, const QStringList& twins)
{
    if (twins.size() == 1)
        out.line(QStringLiteral(
            "  twins: 1 copy of this item's record was left as it is; `check --fix` moves it"));
    else if (twins.size() > 1)
        out.line(
            QStringLiteral("  twins: %1 copies of this item's record were left as they are; `check --fix` "
                           "moves them")
                .arg(twins.size()));
    out.set(QStringLiteral("twins"), QJsonArray::fromStringList(twins));
}

QCommandLineOption exactOption()
{
    return QCommandLineOption(QStringLiteral("exact"),
        QStringLiteral("Refuse a name that is taken instead of numbering it (NAME_01, ...)."));
}

QCommandLineOption numberOption()
{
    return QCommandLineOption(QStringLiteral("number"),
        QStringLiteral(
            "Take the first free numbered name (NEW_01, ...) when NEW is taken, instead of refusing."));
}

QDateTime savedAt(const QString& recordFile)
{
    return recordFile.isEmpty() ? QDateTime() : QFileInfo(recordFile).lastModified();
}

QList<QCommandLineOption> listOptions()
{
    return {
        { QStringLiteral("match"), QStringLiteral("Only items whose name holds TEXT, in any case."),
            QStringLiteral("TEXT") },
        { QStringLiteral("sort"),
            QStringLiteral("name (as people sort: \"Take 2\" before \"Take 10\"; the default) or date "
                           "(newest first)."),
            QStringLiteral("name|date") },
    };
}

ListOrder listOrder(const CommandLine& args)
{
    const QString sort = args.value(QStringLiteral("sort"));
    if (!sort.isEmpty() && sort != QLatin1String("name") && sort != QLatin1String("date"))
        throw usageError(QStringLiteral("unknown order '%1' (expected name or date)").arg(sort));
    return { args.value(QStringLiteral("match")), sort == QLatin1String("date") };
}

namespace {

void arrange(std::vector<Listed>& rows, const ListOrder& order)
{
    if (!order.match.isEmpty()) {
        rows.erase(
            std::remove_if(rows.begin(), rows.end(),
                [&order](const Listed& row) { return !row.name.contains(order.match, Qt::CaseInsensitive); }),
            rows.end());
    }
    if (order.byDate) {
        std::stable_sort(
            rows.begin(), rows.end(), [](const Listed& a, const Listed& b) { return a.saved > b.saved; });
        return;
    }
    Services::CollectionBrowser::NameOrder().sort(
        rows, [](const Listed& row) -> const QString& { return row.name; });
}

} // namespace

void printListing(Output& out, const ListOrder& order, const QString& what, const QStringList& headers,
    const QString& key, std::vector<Listed> rows)
{
    arrange(rows, order);
    out.line(QStringLiteral("%1 %2").arg(rows.size()).arg(what));
    if (out.json()) {
        QJsonArray entries;
        for (Listed& row : rows) {
            row.json[QStringLiteral("name")] = row.name;
            row.json[QStringLiteral("id")] = row.id;
            row.json[QStringLiteral("saved")]
                = row.saved.isValid() ? row.saved.toUTC().toString(Qt::ISODate) : QString();
            entries.append(row.json);
        }
        out.set(key, entries);
        return;
    }
    QList<QStringList> table;
    for (const Listed& row : rows) {
        table += QStringList { row.name } + row.columns
            + QStringList { row.saved.isValid() ? row.saved.toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                                                : QStringLiteral("?") };
    }
    out.table(QStringList { QStringLiteral("NAME") } + headers + QStringList { QStringLiteral("SAVED") },
        std::move(table));
}

} // namespace Cli
