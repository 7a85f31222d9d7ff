#pragma once

#include "CommandError.h"
#include "CommandLine.h"
#include "Host.h"
#include "Inputs.h"
#include "Output.h"
#include <ContainerView.h>
#include <Model/Translator.h>
#include <Services/CollectionService.h>
#include <Services/PersistenceService.h>
#include <StoredRecord.h>

#include <QCommandLineOption>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Cli {

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

// One row of a listing.
struct Listed {
    QString name;
    QString id;
    QDateTime saved; // invalid when unknown
    QStringList columns; // shown after the name
    QJsonObject json; // the entry; name, id and saved are added
    bool forJson = false; // which of the two the output prints, so describers fill only it
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

// Writes the record of item anew in its own file, with the item change makes of the
// record read from there (change may also set its preview and collection); its id,
// name and categories stay. The record as read back then; a failure when it cannot
// be read or written (the file as it was then) or read back.
template <class T>
EditorCollection::LoadedRecords<T> rewriteRecord(Host& host, const T& item, const QString& what,
    const std::function<std::unique_ptr<const T>(EditorCollection::PersistentItem<T>&)>& change)
{
    const QString file = host.persistence().recordFile(item);
    EditorCollection::LoadedRecords<T> stored;
    if (!file.isEmpty())
        stored = EditorCollection::readBack<T>(file);
    if (stored.size() != 1 || !stored[0].item || stored[0].item->id != item.id)
        throw failure(QStringLiteral("cannot read the record of the %1 again").arg(what));
    EditorCollection::PersistentItem<T> record = stored[0];
    const std::unique_ptr<const T> changed = change(record);
    record.item = changed.get();
    if (!EditorCollection::storeRecord(record, file))
        throw failure(QStringLiteral("could not write the %1").arg(what));
    EditorCollection::LoadedRecords<T> written = EditorCollection::readBack<T>(file);
    if (written.size() != 1 || !written[0].item)
        throw failure(QStringLiteral("could not read the %1 back").arg(what));
    return written;
}

// An item of a kind as its listing shows it: T is the type its records are stored as.
template <class T>
struct Shown {
    QString name;
    const T* item;
};

// What listing, naming, renaming and removing the items of one kind take: the kinds
// differ only in these, the commands are one.
template <class T>
struct ItemActions {
    std::function<QString(const T&)> what; // "title", "video import": for messages
    QString none; // "there is no <none> called ...": "title", "video import"
    QString one; // "a title": for a taken name
    std::function<std::vector<Shown<T>>()> items; // what the listing shows, the store's order
    std::function<QString(const QString&)> nextName;
    std::function<bool(const T&, const QString&)> rename;
    std::function<bool(const T&)> remove;
    QString heading; // of the listing: "title(s) in FOLDER"
    QString key; // the listing's array in JSON
    QStringList headers; // the listing's columns after NAME and ID
    std::function<void(const T&, Listed&)> describe; // fills those columns and the JSON entry
    QJsonObject also; // set in every report ("type" of a preset)
};

// The items of a collection that pass pick, as the listing shows them.
template <class T, class Pick>
std::vector<Shown<T>> shownIn(Host& host, const std::string& collectionId, Pick pick)
{
    std::vector<Shown<T>> shown;
    for (const T* item : items<T>(host, collectionId)) {
        if (pick(*item))
            shown.push_back({ displayName(*item), item });
    }
    return shown;
}

template <class T>
void reportAlso(Output& out, const ItemActions<T>& kind)
{
    for (auto value = kind.also.begin(); value != kind.also.end(); ++value)
        out.set(value.key(), value.value());
}

// The first item the listing shows that choice names; a failure when none.
template <class T>
Shown<T> findItem(const ItemActions<T>& kind, const ItemChoice& choice)
{
    for (const Shown<T>& shown : kind.items()) {
        if (choice.id.isEmpty() ? shown.name == choice.name
                                : QString::fromStdString(shown.item->id) == choice.id)
            return shown;
    }
    throw failure(QStringLiteral("there is no %1 %2").arg(kind.none, choice.described()));
}

template <class T>
void listItems(Host& host, Output& out, const ItemActions<T>& kind, const ListOrder& order)
{
    std::vector<Listed> rows;
    for (const Shown<T>& shown : kind.items()) {
        const QString id = QString::fromStdString(shown.item->id);
        Listed row { shown.name, id, savedAt(host.persistence().recordFile(*shown.item)), { id }, {},
            out.json() };
        kind.describe(*shown.item, row);
        rows.push_back(std::move(row));
    }
    reportAlso(out, kind);
    printListing(out, order, kind.heading, QStringList { QStringLiteral("ID") } + kind.headers, kind.key,
        std::move(rows));
}

// The name a save of the kind would give an item called name.
template <class T>
QString proposeName(Output& out, const ItemActions<T>& kind, const QString& name)
{
    const QString proposal = kind.nextName(name);
    reportAlso(out, kind);
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("proposal"), proposal);
    out.set(QStringLiteral("available"), proposal == name);
    return proposal;
}

template <class T>
void renameItem(Host& host, Output& out, const ItemActions<T>& kind, const ItemChoice& choice,
    const QString& wanted, bool number)
{
    host.prepareForWriting();
    const Shown<T> found = findItem(kind, choice);
    const T& item = *found.item;
    const QString old = found.name;
    const QString id = QString::fromStdString(item.id);
    const QString name = renamedName(
        old, wanted, [&] { return kind.nextName(wanted); }, number, kind.one);
    if (!kind.rename(item, name))
        throw failure(QStringLiteral("could not rename the %1 '%2'").arg(kind.what(item), old));
    out.line(QStringLiteral("Renamed %1 '%2' to '%3' (id %4)").arg(kind.what(item), old, name, id));
    reportTwins(host, out, item);
    reportAlso(out, kind);
    out.set(QStringLiteral("from"), old);
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("id"), id);
}

// Removes the item the choice names, by itself: never another of its name.
template <class T>
void removeItem(Host& host, Output& out, const ItemActions<T>& kind, const ItemChoice& choice)
{
    host.prepareForWriting();
    const Shown<T> found = findItem(kind, choice);
    const T& item = *found.item;
    const QString name = found.name;
    const QString id = QString::fromStdString(item.id);
    const QString what = kind.what(item);
    if (!kind.remove(item) || !removalSucceeded(host))
        throw failure(QStringLiteral("could not remove the %1 '%2'").arg(what, name));
    out.line(QStringLiteral("Removed %1 '%2' (id %3)").arg(what, name, id));
    reportAlso(out, kind);
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("id"), id);
    out.set(QStringLiteral("removed"), true);
}

// How the commands of a kind speak of it.
struct KindTexts {
    QString one; // "title"
    QString aOne; // "a title"
    QString plural; // "titles"
    QString keeps; // what a rename keeps besides the id: "text and preview"
};

// The list, next-name, rename and remove commands of a kind, after the words group and
// the arguments before (an effect's type), each with options besides its own.
template <class T>
QList<Command> itemCommands(const QString& group, const QStringList& before, const KindTexts& texts,
    const QList<QCommandLineOption>& options, std::function<ItemActions<T>(Context&)> actions)
{
    const int first = before.size();
    Command list;
    list.words = QStringList { group, QStringLiteral("list") };
    list.arguments = before;
    list.required = first;
    list.summary
        = QStringLiteral("Lists the %1: name, id, what tells them apart and when saved.").arg(texts.plural);
    list.options = listOptions() + options;
    list.run = [actions](Context& context) {
        listItems(*context.host, context.out, actions(context), listOrder(context.args));
    };

    Command nextName;
    nextName.words = QStringList { group, QStringLiteral("next-name") };
    nextName.arguments = before + QStringList { QStringLiteral("NAME") };
    nextName.required = first + 1;
    nextName.summary = QStringLiteral(
        "Proposes the name a save would give: NAME, or the first free NAME_NN when %1 has it.")
                           .arg(texts.aOne);
    nextName.options = options;
    nextName.run = [actions, first](Context& context) {
        context.out.line(proposeName(
            context.out, actions(context), cleanName(context.args.argument(first), QStringLiteral("NAME"))));
    };

    Command rename;
    rename.words = QStringList { group, QStringLiteral("rename") };
    rename.arguments = before + QStringList { QStringLiteral("OLD"), QStringLiteral("NEW") };
    rename.required = first + 2;
    rename.idFor = QStringLiteral("OLD");
    rename.summary = QStringLiteral("Gives the %1 called OLD the name NEW; it keeps its id, %2.")
                         .arg(texts.one, texts.keeps);
    rename.options = options + QList<QCommandLineOption> { idOption(), numberOption() };
    rename.run = [actions, first](Context& context) {
        renameItem(*context.host, context.out, actions(context), itemChoice(context.args, first),
            cleanName(context.args.argument(first + 1), QStringLiteral("NEW")),
            context.args.isSet(QStringLiteral("number")));
    };

    Command remove;
    remove.words = QStringList { group, QStringLiteral("remove") };
    remove.arguments = before + QStringList { QStringLiteral("NAME") };
    remove.required = first + 1;
    remove.idFor = QStringLiteral("NAME");
    remove.summary
        = QStringLiteral("Deletes the %1 called NAME, every copy of its record with it.").arg(texts.one);
    remove.options = options + QList<QCommandLineOption> { idOption() };
    remove.run = [actions, first](Context& context) {
        removeItem(*context.host, context.out, actions(context), itemChoice(context.args, first));
    };
    return { list, nextName, rename, remove };
}

} // namespace Cli
