#include "ListCommand.h"

#include "CollectionItems.h"
#include "EffectCommands.h"
#include "Host.h"
#include "Inputs.h"
#include "Output.h"
#include <Effect/UserEffects.h>
#include <Model/CollectionID.h>
#include <Model/OverlayPreset.h>
#include <Settings/Settings.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>

#include <map>

namespace Cli {

namespace {

QJsonObject where(const QString& kind, const QString& collection)
{
    return { { QStringLiteral("kind"), kind }, { QStringLiteral("collection"), collection } };
}

// The effect collection that shows each effect preset, by the preset's id.
std::map<std::string, QString> effectCollections(Host& host)
{
    std::map<std::string, QString> shownIn;
    for (const std::string& id : host.collections().collectionIds<Effect::Object>()) {
        for (const Effect::Object* item : items<Effect::Object>(host, id))
            shownIn.emplace(item->id, QString::fromStdString(id));
    }
    return shownIn;
}

// Presets are found in their type's folder, whether or not a collection shows them.
void addPresets(
    Host& host, const std::map<std::string, QString>& shownIn, EffectType type, std::vector<Listed>& rows)
{
    const ItemActions<Effect::Object> presets = presetActions(type);
    for (const Shown<Effect::Object>& preset : presets.items()) {
        const QString kind = presets.also.value(QStringLiteral("type")).toString();
        const QString id = QString::fromStdString(preset.item->id);
        const auto shown = shownIn.find(preset.item->id);
        const QString collection = shown == shownIn.end() ? QString() : shown->second;
        rows.push_back({ preset.name, id, savedAt(host.persistence().recordFile(*preset.item)),
            { kind, collection, id }, where(kind, collection) });
    }
}

template <class T, class KindOf>
void addItems(Host& host, const std::string& collectionId, KindOf kindOf, std::vector<Listed>& rows)
{
    const QString collection = QString::fromStdString(collectionId);
    for (const T* item : items<T>(host, collectionId)) {
        const QString kind = kindOf(*item);
        const QString id = QString::fromStdString(item->id);
        rows.push_back({ displayName(*item), id, savedAt(host.persistence().recordFile(*item)),
            { kind, collection, id }, where(kind, collection) });
    }
}

void listEverything(Context& context)
{
    Host& host = *context.host;
    const ListOrder order = listOrder(context.args);
    std::vector<Listed> rows;
    const std::map<std::string, QString> shownIn = effectCollections(host);
    for (EffectType type : { EffectType::Equalizer, EffectType::Enhance })
        addPresets(host, shownIn, type, rows);
    addItems<Import::Object>(
        host, host.imports().id(), [](const Import::Object& item) { return kindName(item.kind); }, rows);
    addItems<Import::Object>(
        host, host.intros().id(), [](const Import::Object&) { return QStringLiteral("intro"); }, rows);
    addItems<Overlay::Preset>(
        host, EditorCollection::CollectionID::TITLES,
        [](const Overlay::Preset&) { return QStringLiteral("title"); }, rows);
    printListing(context.out, order,
        QStringLiteral("item(s) in %1").arg(QDir::toNativeSeparators(host.dataRoot())),
        { QStringLiteral("KIND"), QStringLiteral("COLLECTION"), QStringLiteral("ID") },
        QStringLiteral("items"), std::move(rows));
}

template <class T>
void addCollections(Host& host, const QString& itemType, QList<QStringList>& rows, QJsonArray& entries)
{
    for (const std::string& id : host.collections().collectionIds<T>()) {
        const int count = int(items<T>(host, id).size());
        if (count == 0)
            continue;
        rows += QStringList { QString::fromStdString(id), itemType, QString::number(count) };
        entries.append(QJsonObject { { QStringLiteral("collection"), QString::fromStdString(id) },
            { QStringLiteral("itemType"), itemType }, { QStringLiteral("count"), count } });
    }
}

void listCollections(Context& context)
{
    Host& host = *context.host;
    // The user's own collections exist as soon as the program starts; they are listed
    // like the others, when they hold something.
    host.collections().collection<Import::Object>(host.imports().id());
    host.collections().collection<Import::Object>(host.intros().id());
    host.collections().collection<Overlay::Preset>(EditorCollection::CollectionID::TITLES);
    QList<QStringList> rows;
    QJsonArray entries;
    addCollections<Effect::Object>(host, QStringLiteral("effect"), rows, entries);
    addCollections<Import::Object>(host, QStringLiteral("import"), rows, entries);
    addCollections<Overlay::Preset>(host, QStringLiteral("title"), rows, entries);
    context.out.line(QStringLiteral("%1 collection(s) in %2")
                         .arg(rows.size())
                         .arg(QDir::toNativeSeparators(host.dataRoot())));
    context.out.table({ QStringLiteral("COLLECTION"), QStringLiteral("ITEM TYPE"), QStringLiteral("ITEMS") },
        std::move(rows));
    context.out.set(QStringLiteral("collections"), entries);
}

} // namespace

CommandGroup listCommands()
{
    Command list;
    list.words = QStringList { QStringLiteral("list") };
    list.summary = QStringLiteral("Lists every item of every collection: name, kind, collection, id and when "
                                  "saved; with --collections, the collections that hold items instead.");
    list.options = listOptions();
    list.options
        += QCommandLineOption(QStringLiteral("collections"), QStringLiteral("List the collections instead."));
    list.run = [](Context& context) {
        if (context.args.isSet(QStringLiteral("collections")))
            listCollections(context);
        else
            listEverything(context);
    };

    CommandGroup group;
    group.name = QStringLiteral("list");
    group.summary = QStringLiteral("List or find items across every collection");
    group.commands = { list };
    return group;
}

} // namespace Cli
