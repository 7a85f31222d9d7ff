#include "EffectCommands.h"

#include "CollectionItems.h"
#include "CommandError.h"
#include "Host.h"
#include "Inputs.h"
#include "Output.h"
#include "Previews.h"
#include <Effect/AudioEqualizer.h>
#include <Effect/ManualEnhance.h>
#include <Effect/PresetEditing.h>
#include <Effect/UserEffects.h>
#include <ItemKinds.h>
#include <Model/CollectionID.h>
#include <Settings/Settings.h>
#include <StoredRecord.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <utility>

namespace Cli {

namespace {

// The kind of a preset of type T, from the table of kinds.
template <class T>
const EditorCollection::ItemKind& presetKind()
{
    static const EditorCollection::ItemKind& kind = *EditorCollection::kindOf(T());
    return kind;
}

template <class T>
QString wordOf()
{
    return QString::fromLatin1(presetKind<T>().word);
}

std::shared_ptr<const Types::Image> drawnPreview(const Effect::AudioEqualizer& effect)
{
    return equalizerPreview(effect);
}
std::shared_ptr<const Types::Image> drawnPreview(const Effect::ManualEnhance& effect)
{
    return enhancePreview(effect);
}

// The presets of type T as their folder lists them, by name, each with its display
// name: every preset with an id of its own, those sharing a name included.
template <class T>
using Presets = std::vector<std::pair<QString, std::unique_ptr<const T>>>;

template <class T>
Presets<T> storedPresets()
{
    Presets<T> presets;
    EditorCollection::LoadedRecords<Effect::Object> records
        = EditorCollection::readBack<Effect::Object>(Settings::userEffectsPath(T::NameInArchive()));
    for (std::size_t index = 0; index < records.size(); ++index) {
        if (!dynamic_cast<const T*>(records[index].item))
            continue;
        const QString name = EditorCollection::displayNameOf(records[index]);
        std::unique_ptr<const Effect::Object> item = records.take(index);
        presets.emplace_back(name, std::unique_ptr<const T>(static_cast<const T*>(item.release())));
    }
    std::stable_sort(
        presets.begin(), presets.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return presets;
}

template <class T>
QStringList settingKeys()
{
    QStringList keys;
    for (const Effect::ParameterInfo& info : T::parameters())
        keys += QString::fromStdString(info.key);
    return keys;
}

template <class T>
void applySetting(T& effect, const QString& setting)
{
    const int equals = setting.indexOf(QLatin1Char('='));
    if (equals <= 0)
        throw usageError(QStringLiteral("--set expects KEY=VALUE, not '%1'").arg(setting));
    const QString key = setting.left(equals);
    const QString text = setting.mid(equals + 1).trimmed();

    const Effect::ParameterInfo* info = nullptr;
    for (const Effect::ParameterInfo& candidate : T::parameters()) {
        if (QString::fromStdString(candidate.key) == key)
            info = &candidate;
    }
    if (!info) {
        throw usageError(QStringLiteral("%1 has no setting '%2' (settings: %3)")
                             .arg(wordOf<T>(), key, settingKeys<T>().join(QStringLiteral(", "))));
    }
    bool number = false;
    const double value = text.toDouble(&number);
    if (!number || !std::isfinite(value))
        throw usageError(QStringLiteral("--set %1: '%2' is not a number").arg(key, text));
    if (!effect.setParameter(info->key, value)) {
        throw usageError(QStringLiteral("%1=%2 is out of range for %3 (%4 to %5)")
                             .arg(key, text, wordOf<T>())
                             .arg(info->minimum)
                             .arg(info->maximum));
    }
}

template <class T>
QJsonObject settingsJson(const T& effect)
{
    QJsonObject settings;
    for (const Effect::ParameterInfo& info : T::parameters())
        settings[QString::fromStdString(info.key)] = effect.parameter(info.key).value_or(info.defaultValue);
    return settings;
}

template <class T>
void reportPreset(
    Output& out, const QString& verb, const QString& name, const T& preset, const std::string& collectionId)
{
    const QString kind = wordOf<T>();
    const QString id = QString::fromStdString(preset.id);
    const QString file = QDir(presetKind<T>().folder()).filePath(id);
    out.line(QStringLiteral("%1 %2 preset '%3' (id %4)").arg(verb, kind, name, id));
    out.line(QStringLiteral("  settings: %1").arg(Effect::changedSettings(preset)));
    out.line(QStringLiteral("  file: %1").arg(QDir::toNativeSeparators(file)));
    if (!collectionId.empty())
        out.line(QStringLiteral("  collection: %1").arg(QString::fromStdString(collectionId)));
    out.set(QStringLiteral("type"), kind);
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("id"), id);
    out.set(QStringLiteral("file"), file);
    out.set(QStringLiteral("collection"), QString::fromStdString(collectionId));
    out.set(QStringLiteral("settings"), settingsJson(preset));
}

// "band5 4 -> 6" for each setting the two differ in.
template <class T>
QStringList settingChanges(const T& before, const T& after)
{
    QStringList changes;
    for (const Effect::ParameterInfo& info : T::parameters()) {
        const double old = before.parameter(info.key).value_or(info.defaultValue);
        const double now = after.parameter(info.key).value_or(info.defaultValue);
        if (old != now)
            changes += QStringLiteral("%1 %2 -> %3").arg(QString::fromStdString(info.key)).arg(old).arg(now);
    }
    return changes;
}

bool samePicture(const std::shared_ptr<const Types::Image>& a, const std::shared_ptr<const Types::Image>& b)
{
    return a && b && a->encoded() == b->encoded();
}

template <class T>
ItemActions<Effect::Object> presetActionsOf();

// Changes the stored preset the choice names in place: the settings given, the
// others kept; a new preview when one is given, else a drawn one follows the
// settings while a chosen picture stays; another collection when one is given.
// Nothing to change is refused.
template <class T>
void changePreset(Host& host, Output& out, const ItemChoice& choice, const EffectPresetRequest& request)
{
    const QString kind = wordOf<T>();
    std::shared_ptr<const Types::Image> preview = readPreview(request.previewFile);

    host.prepareForWriting();
    const ItemActions<Effect::Object> actions = presetActionsOf<T>();
    const Shown<Effect::Object> found = findItem(actions, choice);
    const T& stored = static_cast<const T&>(*found.item);
    T effect(stored);
    for (const QString& setting : request.settings)
        applySetting(effect, setting);
    const QStringList changes = settingChanges(stored, effect);

    std::string from;
    const auto records = rewriteRecord<Effect::Object>(host, stored, kind + QStringLiteral(" preset"),
        [&](EditorCollection::PersistentItem<Effect::Object>& record) {
            from = record.collectionId;
            const bool moved = request.collectionId && *request.collectionId != from;
            if (changes.isEmpty() && !preview && !moved) {
                throw failure(
                    QStringLiteral("nothing to change: the %1 preset '%2' has these settings already")
                        .arg(kind, found.name));
            }
            if (preview)
                record.preview = preview;
            else if (!changes.isEmpty() && samePicture(record.preview, drawnPreview(stored)))
                record.preview = drawnPreview(effect);
            if (moved)
                record.collectionId = *request.collectionId;
            return std::make_unique<const T>(effect);
        });
    const T& changed = static_cast<const T&>(*records[0].item);
    const std::string collectionId = records[0].collectionId;
    reportPreset(out, QStringLiteral("Changed"), found.name, changed, collectionId);
    if (!changes.isEmpty())
        out.line(QStringLiteral("  changed: %1").arg(changes.join(QStringLiteral(", "))));
    if (preview)
        out.line(QStringLiteral("  preview: the picture given"));
    if (collectionId != from) {
        out.line(QStringLiteral("  moved: from the collection '%1'").arg(QString::fromStdString(from)));
        out.set(QStringLiteral("movedFrom"), QString::fromStdString(from));
    }
    out.set(QStringLiteral("changed"), QJsonArray::fromStringList(changes));
    reportTwins<Effect::Object>(host, out, changed);
}

template <class T>
void savePreset(Host& host, Output& out, const EffectPresetRequest& request)
{
    const QString kind = wordOf<T>();
    const QString wanted = cleanName(request.name, QStringLiteral("NAME"));
    if (request.replace) {
        changePreset<T>(host, out, ItemChoice { wanted, QString() }, request);
        return;
    }
    T effect;
    for (const QString& setting : request.settings)
        applySetting(effect, setting);
    std::shared_ptr<const Types::Image> preview = readPreview(request.previewFile);
    if (!preview)
        preview = drawnPreview(effect);
    const std::string collectionId = request.collectionId.value_or(*presetKind<T>().collection);

    host.prepareForWriting();
    const QString name = chooseName(
        wanted, Effect::nextPresetName<T>(wanted), !request.exact, QString::fromLatin1(presetKind<T>().one));
    const std::unique_ptr<const T> saved = Effect::saveUserEffect<T>(&effect, name, collectionId, preview);
    if (!saved)
        throw failure(QStringLiteral("could not save the %1 preset '%2'").arg(kind, name));
    reportPreset(out, QStringLiteral("Saved"), name, *saved, collectionId);
    if (name != wanted)
        out.line(QStringLiteral("  renamed: %1 called '%2' exists")
                     .arg(QString::fromLatin1(presetKind<T>().one), wanted));
    out.set(QStringLiteral("requestedName"), wanted);
}

template <class T>
ItemActions<Effect::Object> presetActionsOf()
{
    const EditorCollection::ItemKind& kind = presetKind<T>();
    const QString word = QString::fromLatin1(kind.word);
    // What the listing read last, which the items shown point into.
    const auto presets = std::make_shared<Presets<T>>();
    ItemActions<Effect::Object> actions;
    actions.what = [word](const Effect::Object&) { return word + QStringLiteral(" preset"); };
    actions.none = word + QStringLiteral(" preset");
    actions.one = QString::fromLatin1(kind.one);
    actions.items = [presets] {
        *presets = storedPresets<T>();
        std::vector<Shown<Effect::Object>> shown;
        for (const auto& [name, preset] : *presets)
            shown.push_back({ name, preset.get() });
        return shown;
    };
    actions.nextName = Effect::nextPresetName<T>;
    actions.rename = [](const Effect::Object& preset, const QString& name) {
        return Effect::renameUserEffect<T>(static_cast<const T*>(&preset), name);
    };
    actions.remove = [](const Effect::Object& preset) {
        Effect::removeUserEffect(&preset);
        return true;
    };
    actions.heading
        = QStringLiteral("preset(s) of %1 in %2").arg(word, QDir::toNativeSeparators(kind.folder()));
    actions.key = QStringLiteral("presets");
    actions.headers = QStringList { QStringLiteral("SETTINGS") };
    actions.describe = [](const Effect::Object& preset, Listed& row) {
        if (row.forJson)
            row.json[QStringLiteral("settings")] = settingsJson(static_cast<const T&>(preset));
        else
            row.columns << Effect::changedSettings(static_cast<const T&>(preset));
    };
    actions.also = QJsonObject { { QStringLiteral("type"), word } };
    return actions;
}

template <class T>
QString parameterHelp()
{
    QStringList ranges;
    for (const Effect::ParameterInfo& info : T::parameters()) {
        QString range = QStringLiteral("%1 %2..%3")
                            .arg(QString::fromStdString(info.key))
                            .arg(info.minimum)
                            .arg(info.maximum);
        if (info.defaultValue != 0)
            range += QStringLiteral(" (default %1)").arg(info.defaultValue);
        ranges += range;
    }
    const QString heading = QStringLiteral("  %1: ").arg(wordOf<T>());
    return heading + wrapped(ranges.join(QStringLiteral(", ")), heading.size()) + QLatin1Char('\n');
}

} // namespace

EffectType parseEffectType(const QString& text)
{
    if (text == QLatin1String("equalizer"))
        return EffectType::Equalizer;
    if (text == QLatin1String("enhance"))
        return EffectType::Enhance;
    throw usageError(QStringLiteral("unknown effect type '%1' (expected equalizer or enhance)").arg(text));
}

void saveEffectPreset(Host& host, Output& out, const EffectPresetRequest& request)
{
    if (request.type == EffectType::Equalizer)
        savePreset<Effect::AudioEqualizer>(host, out, request);
    else
        savePreset<Effect::ManualEnhance>(host, out, request);
}

void changeEffectPreset(Host& host, Output& out, const ItemChoice& choice, const EffectPresetRequest& request)
{
    if (request.type == EffectType::Equalizer)
        changePreset<Effect::AudioEqualizer>(host, out, choice, request);
    else
        changePreset<Effect::ManualEnhance>(host, out, choice, request);
}

ItemActions<Effect::Object> presetActions(EffectType type)
{
    return type == EffectType::Equalizer ? presetActionsOf<Effect::AudioEqualizer>()
                                         : presetActionsOf<Effect::ManualEnhance>();
}

CommandGroup effectCommands()
{
    const QString type = QStringLiteral("equalizer|enhance");

    Command save;
    save.words = QStringList { QStringLiteral("effects"), QStringLiteral("save") };
    save.arguments = QStringList { type, QStringLiteral("NAME") };
    save.required = 2;
    save.summary
        = QStringLiteral("Saves a preset of the effect, built from its defaults and the --set values; "
                         "a taken NAME becomes NAME_01, ... With --replace, changes the preset called "
                         "NAME instead, as effects set does.");
    const QCommandLineOption setOption(QStringLiteral("set"),
        QStringLiteral("Sets one setting of the effect (repeatable)."), QStringLiteral("KEY=VALUE"));
    const QCommandLineOption previewOption(QStringLiteral("preview"),
        QStringLiteral("The preset's preview picture (default: a drawn one)."), QStringLiteral("IMAGE"));
    save.options = {
        setOption,
        { QStringLiteral("collection"),
            QStringLiteral("Shows the preset in this collection (default: audio_effects for the "
                           "equalizer, video_effects for enhance; empty for none); with --replace, moves "
                           "it there."),
            QStringLiteral("ID") },
        previewOption,
        { QStringLiteral("replace"),
            QStringLiteral("Change the settings given of the preset called NAME, keeping the others.") },
        exactOption(),
    };
    save.choices = [](const QString& valueName, const QStringList& arguments) {
        QStringList keys;
        if (valueName == QLatin1String("KEY=VALUE")) {
            const QString type = arguments.value(0);
            keys = type == wordOf<Effect::AudioEqualizer>() ? settingKeys<Effect::AudioEqualizer>()
                : type == wordOf<Effect::ManualEnhance>()   ? settingKeys<Effect::ManualEnhance>()
                                                            : QStringList();
            for (QString& key : keys)
                key += QLatin1Char('=');
        }
        return keys;
    };
    save.repeatable = QStringList { QStringLiteral("set") };
    save.drawsPictures = true;
    save.run = [](Context& context) {
        EffectPresetRequest request;
        request.type = parseEffectType(context.args.argument(0));
        request.name = context.args.argument(1);
        request.settings = context.args.values(QStringLiteral("set"));
        if (context.args.isSet(QStringLiteral("collection")))
            request.collectionId = context.args.value(QStringLiteral("collection")).toStdString();
        request.previewFile = context.args.value(QStringLiteral("preview"));
        request.replace = context.args.isSet(QStringLiteral("replace"));
        request.exact = context.args.isSet(QStringLiteral("exact"));
        saveEffectPreset(*context.host, context.out, request);
    };

    Command set;
    set.words = QStringList { QStringLiteral("effects"), QStringLiteral("set") };
    set.arguments = QStringList { type, QStringLiteral("NAME") };
    set.required = 2;
    set.idFor = QStringLiteral("NAME");
    set.summary = QStringLiteral(
        "Changes the preset called NAME in place: the settings given, the others kept; its id, name and "
        "file stay. A drawn preview is drawn anew, a chosen picture stays unless --preview gives another. "
        "Nothing to change is refused.");
    set.options = {
        setOption,
        previewOption,
        { QStringLiteral("collection"),
            QStringLiteral("Moves the preset to this collection (empty for none)."), QStringLiteral("ID") },
        idOption(),
    };
    set.choices = save.choices;
    set.repeatable = save.repeatable;
    set.drawsPictures = true;
    set.run = [](Context& context) {
        EffectPresetRequest request;
        request.type = parseEffectType(context.args.argument(0));
        request.settings = context.args.values(QStringLiteral("set"));
        if (context.args.isSet(QStringLiteral("collection")))
            request.collectionId = context.args.value(QStringLiteral("collection")).toStdString();
        request.previewFile = context.args.value(QStringLiteral("preview"));
        changeEffectPreset(*context.host, context.out, itemChoice(context.args, 1), request);
    };

    CommandGroup group;
    group.name = QStringLiteral("effects");
    group.summary
        = QStringLiteral("Save, change, list, name, rename and remove presets of the equalizer and enhance "
                         "effects");
    group.details = QStringLiteral("Settings (KEY MIN..MAX; 0 unless said):\n")
        + parameterHelp<Effect::AudioEqualizer>() + parameterHelp<Effect::ManualEnhance>();
    group.commands = QList<Command> { save, set }
        + itemCommands<Effect::Object>(QStringLiteral("effects"), QStringList { type },
            { QStringLiteral("preset"), QStringLiteral("a preset"), QStringLiteral("presets of the effect"),
                QStringLiteral("settings and file") },
            {}, [](Context& context) { return presetActions(parseEffectType(context.args.argument(0))); });
    return group;
}

} // namespace Cli
