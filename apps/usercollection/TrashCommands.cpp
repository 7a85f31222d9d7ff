#include "TrashCommands.h"

#include "CollectionItems.h"
#include "CommandError.h"
#include "EffectCommands.h"
#include "Host.h"
#include "ImportCommands.h"
#include "IntroCommands.h"
#include "Output.h"
#include "TitleCommands.h"
#include <ItemKinds.h>
#include <Services/Trash.h>

#include <QJsonArray>
#include <QJsonObject>

#include <optional>
#include <vector>

namespace Cli {

namespace {

using Services::TrashEntry;

QString shownTime(const QDateTime& when)
{
    return when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// "removed", "renamed to 'B'", "quarantined: damaged: ..."
QString changeText(const TrashEntry& entry)
{
    return entry.detail.isEmpty() ? entry.change : entry.change + QLatin1Char(' ') + entry.detail;
}

QJsonObject entryJson(const TrashEntry& entry)
{
    QJsonObject json = Services::toJson(entry);
    json[QStringLiteral("when")] = entry.when.toUTC().toString(Qt::ISODate);
    json[QStringLiteral("quarantined")] = entry.quarantined;
    return json;
}

const EditorCollection::ItemKind& kindArgument(const QString& word)
{
    if (const EditorCollection::ItemKind* kind = EditorCollection::itemKindCalled(word))
        return *kind;
    QStringList words;
    for (const EditorCollection::ItemKind& kind : EditorCollection::itemKinds())
        words << QString::fromLatin1(kind.word);
    throw usageError(
        QStringLiteral("unknown kind '%1' (expected %2)").arg(word, words.join(QLatin1Char('|'))));
}

QStringList kindWords(const QString& valueName, const QStringList& arguments)
{
    QStringList words;
    if (valueName == QLatin1String("KIND") && arguments.isEmpty()) {
        for (const EditorCollection::ItemKind& kind : EditorCollection::itemKinds())
            words << QString::fromLatin1(kind.word);
    }
    return words;
}

// Calls f with the actions of kind's items.
template <class F>
void withActions(Host& host, const EditorCollection::ItemKind& kind, F f)
{
    using EditorCollection::ItemKindId;
    switch (kind.id) {
    case ItemKindId::Equalizer:
        return f(presetActions(EffectType::Equalizer));
    case ItemKindId::Enhance:
        return f(presetActions(EffectType::Enhance));
    case ItemKindId::Import:
        return f(importActions(host, std::nullopt));
    case ItemKindId::Intro:
        return f(introActions(host));
    case ItemKindId::Title:
        break;
    }
    f(titleActions(host));
}

// The versions the trash holds of the item the choice names, newest first: by --id, or
// by the name it had when kept, else by the name it has now.
template <class T>
std::vector<TrashEntry> versionsOf(const ItemActions<T>& actions, const EditorCollection::ItemKind& kind,
    const ItemChoice& choice, const std::vector<TrashEntry>& entries)
{
    const QString word = QString::fromLatin1(kind.word);
    QString id = choice.id;
    for (auto entry = entries.begin(); id.isEmpty() && entry != entries.end(); ++entry) {
        if (entry->kind == word && entry->name == choice.name)
            id = entry->id;
    }
    for (const Shown<T>& shown : id.isEmpty() ? actions.items() : std::vector<Shown<T>>()) {
        if (shown.name == choice.name)
            id = QString::fromStdString(shown.item->id);
    }
    std::vector<TrashEntry> versions;
    for (const TrashEntry& entry : entries) {
        if (!id.isEmpty() && entry.kind == word && entry.id == id)
            versions.push_back(entry);
    }
    if (versions.empty())
        throw failure(QStringLiteral("the trash holds no %1 %2").arg(word, choice.described()));
    return versions;
}

void listTrash(Context& context)
{
    const std::vector<TrashEntry> entries = Services::trashEntries(context.dataRoot);
    Output& out = context.out;
    out.line(
        QStringLiteral("%1 entr%2 in the trash").arg(entries.size()).arg(entries.size() == 1 ? "y" : "ies"));
    QJsonArray json;
    QList<QStringList> rows;
    for (const TrashEntry& entry : entries) {
        json.append(entryJson(entry));
        rows += QStringList { shownTime(entry.when), entry.command, changeText(entry), entry.kind,
            entry.name };
    }
    out.set(QStringLiteral("entries"), json);
    if (!rows.isEmpty())
        out.table({ QStringLiteral("WHEN"), QStringLiteral("COMMAND"), QStringLiteral("CHANGE"),
                      QStringLiteral("KIND"), QStringLiteral("NAME") },
            rows);
}

void emptyTrash(Context& context)
{
    Host& host = *context.host;
    Output& out = context.out;
    std::optional<QDateTime> before;
    if (context.args.isSet(QStringLiteral("older-than"))) {
        bool ok = false;
        const int days = context.args.value(QStringLiteral("older-than")).toInt(&ok);
        if (!ok || days < 0)
            throw usageError(QStringLiteral("--older-than needs a number of days"));
        before = QDateTime::currentDateTimeUtc().addDays(-days);
    }
    host.prepareForWriting();
    QJsonArray deleted;
    int kept = 0;
    for (const TrashEntry& entry : Services::trashEntries(host.dataRoot())) {
        if (before && entry.when >= *before) {
            ++kept;
            continue;
        }
        if (!Services::deleteTrashEntry(entry))
            throw failure(QStringLiteral("could not delete %1 from the trash").arg(entry.kept()));
        out.line(QStringLiteral("Deleted %1 '%2' (%3 by '%4', %5)")
                     .arg(entry.kind, entry.name, changeText(entry), entry.command, shownTime(entry.when)));
        deleted.append(entryJson(entry));
    }
    out.line(QStringLiteral("%1 deleted, %2 kept").arg(deleted.size()).arg(kept));
    out.set(QStringLiteral("deleted"), deleted);
    out.set(QStringLiteral("kept"), kept);
}

void restore(Context& context)
{
    Host& host = *context.host;
    Output& out = context.out;
    const EditorCollection::ItemKind& kind = kindArgument(context.args.argument(0));
    const ItemChoice choice = itemChoice(context.args, 1);
    int version = 1;
    if (context.args.isSet(QStringLiteral("version"))) {
        bool ok = false;
        version = context.args.value(QStringLiteral("version")).toInt(&ok);
        if (!ok || version < 1)
            throw usageError(QStringLiteral("--version needs a number from 1 (the newest)"));
    }
    host.prepareForWriting();
    withActions(host, kind, [&](const auto& actions) {
        const std::vector<TrashEntry> versions
            = versionsOf(actions, kind, choice, Services::trashEntries(host.dataRoot()));
        if (version > int(versions.size()))
            throw failure(QStringLiteral("the trash holds %1 version(s) of it").arg(versions.size()));
        const TrashEntry& entry = versions[std::size_t(version - 1)];
        bool taken = false;
        for (const auto& shown : actions.items())
            taken = taken || (shown.name == entry.name && QString::fromStdString(shown.item->id) != entry.id);
        const QString name = taken ? actions.nextName(entry.name) : entry.name;
        const QString error = Services::restoreFromTrash(host.dataRoot(), entry, name);
        if (!error.isEmpty())
            throw failure(
                QStringLiteral("could not restore the %1 '%2': %3").arg(kind.word, entry.name, error));
        out.line(
            QStringLiteral("Restored %1 '%2' (id %3), as it was before '%4' (%5, %6)")
                .arg(kind.word, name, entry.id, entry.command, changeText(entry), shownTime(entry.when)));
        if (taken)
            out.line(QStringLiteral("  renamed: another %1 is called '%2'").arg(kind.word, entry.name));
        out.set(QStringLiteral("kind"), QString::fromLatin1(kind.word));
        out.set(QStringLiteral("name"), name);
        out.set(QStringLiteral("id"), entry.id);
        out.set(QStringLiteral("version"), version);
        out.set(QStringLiteral("restored"), entryJson(entry));
    });
}

void history(Context& context)
{
    Host& host = *context.host;
    Output& out = context.out;
    const EditorCollection::ItemKind& kind = kindArgument(context.args.argument(0));
    const ItemChoice choice = itemChoice(context.args, 1);
    withActions(host, kind, [&](const auto& actions) {
        const std::vector<TrashEntry> versions
            = versionsOf(actions, kind, choice, Services::trashEntries(host.dataRoot()));
        out.line(QStringLiteral("%1 version(s) of %2 %3 (id %4) in the trash")
                     .arg(versions.size())
                     .arg(kind.word, choice.described(), versions.front().id));
        QJsonArray json;
        QList<QStringList> rows;
        int number = 0;
        for (const TrashEntry& entry : versions) {
            QJsonObject one = entryJson(entry);
            one[QStringLiteral("version")] = ++number;
            json.append(one);
            rows += QStringList { QString::number(number), shownTime(entry.when), entry.command,
                changeText(entry), entry.name, entry.holds };
        }
        out.set(QStringLiteral("id"), versions.front().id);
        out.set(QStringLiteral("versions"), json);
        out.table({ QStringLiteral("VERSION"), QStringLiteral("WHEN"), QStringLiteral("COMMAND"),
                      QStringLiteral("CHANGE"), QStringLiteral("NAME"), QStringLiteral("HELD") },
            rows);
    });
}

} // namespace

QList<CommandGroup> trashCommands()
{
    Command list;
    list.words = QStringList { QStringLiteral("trash") };
    list.summary = QStringLiteral(
        "Lists what the trash keeps, newest first: when, which command, what it did, the kind and name.");
    list.run = listTrash;

    Command empty;
    empty.words = QStringList { QStringLiteral("trash"), QStringLiteral("empty") };
    empty.summary = QStringLiteral("Deletes what the trash and the quarantine keep, for good, and names each "
                                   "thing deleted; with --older-than only what is older.");
    empty.options = { { QStringLiteral("older-than"),
        QStringLiteral("Only what was kept more than DAYS days ago."), QStringLiteral("DAYS") } };
    empty.run = emptyTrash;

    const QStringList kindAndName { QStringLiteral("KIND"), QStringLiteral("NAME") };
    Command back;
    back.words = QStringList { QStringLiteral("restore") };
    back.arguments = kindAndName;
    back.required = 2;
    back.idFor = QStringLiteral("NAME");
    back.summary = QStringLiteral(
        "Brings the item of KIND (equalizer, enhance, import, intro, title) back from the trash or the "
        "quarantine as it was before its last change, or the version --version N of its history, under its "
        "name, or the next free one when another item has it. What it replaces goes into the trash.");
    back.options = { idOption(),
        { QStringLiteral("version"),
            QStringLiteral("The version to bring back, as history numbers them "
                           "(1, the newest, by default)."),
            QStringLiteral("N") } };
    back.run = restore;
    back.choices = kindWords;

    Command versions;
    versions.words = QStringList { QStringLiteral("history") };
    versions.arguments = kindAndName;
    versions.required = 2;
    versions.idFor = QStringLiteral("NAME");
    versions.summary = QStringLiteral("Lists the versions of an item the trash keeps, newest first: when, "
                                      "which command changed it and how, and what the version held (a "
                                      "preset's settings, a title's text).");
    versions.options = { idOption() };
    versions.run = history;
    versions.choices = kindWords;

    return {
        { QStringLiteral("trash"), QStringLiteral("What the trash keeps of removed and changed items"),
            QString(), { list, empty } },
        { QStringLiteral("restore"), QStringLiteral("Bring an item back from the trash"), QString(),
            { back } },
        { QStringLiteral("history"), QStringLiteral("The versions of an item the trash keeps"), QString(),
            { versions } },
    };
}

} // namespace Cli
