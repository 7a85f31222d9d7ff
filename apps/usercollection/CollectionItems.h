#pragma once

#include "CommandError.h"
#include "Host.h"
#include "Output.h"
#include <ContainerView.h>
#include <Model/Translator.h>
#include <Services/CollectionService.h>
#include <Services/PersistenceService.h>

#include <QCommandLineOption>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace Cli {

class CommandLine;

// The items of a collection in collection order.
template <class T>
const std::deque<const T*>& items(Host& host, const std::string& collectionId)
{
    return host.collections().template collection<T>(collectionId).items;
}

// What the user sees an item called: its translated id.
template <class T>
QString displayName(const T& item)
{
    return Translator::translate(item.id);
}

// The item a command is about: given by its display name, or by --id.
struct ItemChoice {
    QString name;
    QString id;

    // "called 'X'" or "with id 'X'", for messages.
    QString described() const;
    template <class T>
    bool matches(const T& item) const
    {
        return id.isEmpty() ? displayName(item) == name : QString::fromStdString(item.id) == id;
    }
};
// The choice of the command line: --id when given, else the argument at nameIndex
// (trimmed; an empty name is refused).
ItemChoice itemChoice(const CommandLine& args, int nameIndex);
QCommandLineOption idOption();

// The first item of the collection that choice names and that passes pick.
template <class T, class Pick>
const T* findItem(Host& host, const std::string& collectionId, const ItemChoice& choice, Pick pick)
{
    for (const T* item : items<T>(host, collectionId)) {
        if (choice.matches(*item) && pick(*item))
            return item;
    }
    return nullptr;
}

// Whether the last removal deleted the item's records: the remove request has no
// answer, so the persistence service is asked how it went.
inline bool removalSucceeded(Host& host)
{
    return host.persistence().lastRemoval() == Services::PersistenceService::Removal::Removed;
}

// One rule for names, the same for every kind. A save under a taken name takes the
// first free one (free); with exact it is refused, the free one suggested. A rename
// to a taken name is refused likewise, unless number asks for the free one.
QString chooseName(const QString& wanted, const QString& free, bool takeFree, const QString& what);
// The name a rename to wanted gives an item called old: its own name is always free to
// keep; another is chosen as a save's is, the free one asked of nextFree only then.
template <class NextFree>
QString renamedName(
    const QString& old, const QString& wanted, NextFree nextFree, bool number, const QString& what)
{
    return old == wanted ? wanted : chooseName(wanted, nextFree(), number, what);
}
// --exact for saves, --number for renames.
QCommandLineOption exactOption();
QCommandLineOption numberOption();

// Says which copies of item's record under other names (its twins: a "(copy)", a sync
// tool's conflict copy, a backup folder) a rename or replace left as they were.
void reportTwinFiles(Output& out, const QStringList& twins);
template <class T>
void reportTwins(Host& host, Output& out, const T& item)
{
    reportTwinFiles(out, host.persistence().twinFiles(item));
}

// What renaming and removing an item of a kind held in a collection takes: the kinds
// differ only in these, the commands are one.
template <class T>
struct ItemActions {
    std::function<QString(const T&)> what; // "title", "video import": for messages
    QString one; // "a title": for a taken name
    std::function<const T&(const ItemChoice&)> find; // a failure when none
    std::function<QString(const QString&)> nextName;
    std::function<bool(const T&, const QString&)> rename;
    std::function<bool(const T&)> remove;
};

template <class T>
void renameItem(Host& host, Output& out, const ItemActions<T>& kind, const ItemChoice& choice,
    const QString& wanted, bool number)
{
    host.prepareForWriting();
    const T& item = kind.find(choice);
    const QString old = displayName(item);
    const QString id = QString::fromStdString(item.id);
    const QString name = renamedName(
        old, wanted, [&] { return kind.nextName(wanted); }, number, kind.one);
    if (!kind.rename(item, name))
        throw failure(QStringLiteral("could not rename the %1 '%2'").arg(kind.what(item), old));
    out.line(QStringLiteral("Renamed %1 '%2' to '%3' (id %4)").arg(kind.what(item), old, name, id));
    reportTwins(host, out, item);
    out.set(QStringLiteral("from"), old);
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("id"), id);
}

// Removes the item the choice names, by itself: never another of its name.
template <class T>
void removeItem(Host& host, Output& out, const ItemActions<T>& kind, const ItemChoice& choice)
{
    host.prepareForWriting();
    const T& item = kind.find(choice);
    const QString name = displayName(item);
    const QString id = QString::fromStdString(item.id);
    const QString what = kind.what(item);
    if (!kind.remove(item) || !removalSucceeded(host))
        throw failure(QStringLiteral("could not remove the %1 '%2'").arg(what, name));
    out.line(QStringLiteral("Removed %1 '%2' (id %3)").arg(what, name, id));
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("id"), id);
    out.set(QStringLiteral("removed"), true);
}

// One row of a listing.
struct Listed {
    QString name;
    QString id;
    QDateTime saved; // invalid when unknown
    QStringList columns; // shown after the name
    QJsonObject json; // the entry; name, id and saved are added
};

// When the record file was last written; invalid when there is none.
QDateTime savedAt(const QString& recordFile);

// --match TEXT and --sort name|date of every listing.
QList<QCommandLineOption> listOptions();
struct ListOrder {
    QString match; // part of the name, any case; empty for every item
    bool byDate = false; // newest first; else by name as people sort
};
ListOrder listOrder(const CommandLine& args);
// The rows that match, in the order asked (rows of one name keep theirs), under the
// heading "N <what>": a table of name, the headers' columns and the save date, or in
// JSON an array under key.
void printListing(Output& out, const ListOrder& order, const QString& what, const QStringList& headers,
    const QString& key, std::vector<Listed> rows);

} // namespace Cli
