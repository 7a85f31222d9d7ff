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

template <class T>
struct EffectKind;

template <>
struct EffectKind<Effect::AudioEqualizer> {
    static QString name() { return QStringLiteral("equalizer"); }
    static QString onePreset() { return QStringLiteral("an equalizer preset"); }
    static const std::string& collectionId() { return EditorCollection::CollectionID::AUDIO_EFFECTS; }
    static std::shared_ptr<const Types::Image> preview(const Effect::AudioEqualizer& effect)
    {
        return equalizerPreview(effect);
    }
};

template <>
struct EffectKind<Effect::ManualEnhance> {
    static QString name() { return QStringLiteral("enhance"); }
    static QString onePreset() { return QStringLiteral("an enhance preset"); }
    static const std::string& collectionId() { return EditorCollection::CollectionID::VIDEO_EFFECTS; }
    static std::shared_ptr<const Types::Image> preview(const Effect::ManualEnhance& effect)
    {
        return enhancePreview(effect);
    }
};

template <class T>
QString folderOf()
{
    return Settings::userEffectsPath(std::string(T::NameInArchive()));
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
                             .arg(EffectKind<T>::name(), key, settingKeys<T>().join(QStringLiteral(", "))));
    }
    bool number = false;
    const double value = text.toDouble(&number);
    if (!number || !std::isfinite(value))
        throw usageError(QStringLiteral("--set %1: '%2' is not a number").arg(key, text));
    if (!effect.setParameter(info->key, value)) {
        throw usageError(QStringLiteral("%1=%2 is out of range for %3 (%4 to %5)")
                             .arg(key, text, EffectKind<T>::name())
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

// The settings that differ from the defaults, which is what tells presets apart.
template <class T>
QString settingsText(const T& effect)
{
    QStringList changed;
    for (const Effect::ParameterInfo& info : T::parameters()) {
        const double value = effect.parameter(info.key).value_or(info.defaultValue);
        if (value != info.defaultValue)
            changed += QString::fromStdString(info.key) + QLatin1Char('=') + QString::number(value);
    }
    return changed.isEmpty() ? QStringLiteral("(defaults)") : changed.join(QLatin1Char(' '));
}

// The name and preset choice names (by name, the first); a failure when there is none.
template <class T>
const typename Presets<T>::value_type& findPreset(const Presets<T>& presets, const ItemChoice& choice)
{
    for (const auto& entry : presets) {
        if (choice.id.isEmpty() ? entry.first == choice.name
                                : QString::fromStdString(entry.second->id) == choice.id)
            return entry;
    }
    throw failure(QStringLiteral("there is no %1 preset %2").arg(EffectKind<T>::name(), choice.described()));
}

template <class T>
void reportPreset(
    Output& out, const QString& verb, const QString& name, const T& preset, const std::string& collectionId)
{
    const QString kind = EffectKind<T>::name();
    const QString id = QString::fromStdString(preset.id);
    const QString file = QDir(folderOf<T>()).filePath(id);
    out.line(QStringLiteral("%1 %2 preset '%3' (id %4)").arg(verb, kind, name, id));
    out.line(QStringLiteral("  settings: %1").arg(settingsText(preset)));
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

template <class T>
void savePreset(Host& host, Output& out, const EffectPresetRequest& request)
{
    const QString kind = EffectKind<T>::name();
    const QString wanted = cleanName(request.name, QStringLiteral("NAME"));
    T effect;
    for (const QString& setting : request.settings)
        applySetting(effect, setting);
    std::shared_ptr<const Types::Image> preview = readPreview(request.previewFile);
    if (!preview)
        preview = EffectKind<T>::preview(effect);
    const std::string collectionId = request.collectionId.value_or(EffectKind<T>::collectionId());

    host.prepareForWriting();
    if (request.replace) {
        const std::unique_ptr<const T> replaced = Effect::replaceUserEffect<T>(&effect, wanted, preview);
        if (!replaced)
            throw failure(QStringLiteral("there is no %1 preset called '%2' to replace").arg(kind, wanted));
        reportPreset(out, QStringLiteral("Replaced the settings of"), wanted, *replaced, collectionId);
        reportTwins<Effect::Object>(host, out, *replaced);
        return;
    }
    const QString name
        = chooseName(wanted, Effect::nextPresetName<T>(wanted), !request.exact, EffectKind<T>::onePreset());
    const std::unique_ptr<const T> saved = Effect::saveUserEffect<T>(&effect, name, collectionId, preview);
    if (!saved)
        throw failure(QStringLiteral("could not save the %1 preset '%2'").arg(kind, name));
    reportPreset(out, QStringLiteral("Saved"), name, *saved, collectionId);
    if (name != wanted)
        out.line(QStringLiteral("  renamed: %1 called '%2' exists").arg(EffectKind<T>::onePreset(), wanted));
    out.set(QStringLiteral("requestedName"), wanted);
}

template <class T>
void listPresets(Host&, Output& out, const ListOrder& order)
{
    const QString kind = EffectKind<T>::name();
    const QDir folder(folderOf<T>());
    std::vector<Listed> rows;
    for (const auto& [name, preset] : storedPresets<T>()) {
        const QString id = QString::fromStdString(preset->id);
        Listed row { name, id, savedAt(folder.filePath(id)), { id }, {} };
        if (out.json())
            row.json[QStringLiteral("settings")] = settingsJson(*preset);
        else
            row.columns << settingsText(*preset);
        rows.push_back(std::move(row));
    }
    out.set(QStringLiteral("type"), kind);
    printListing(out, order,
        QStringLiteral("preset(s) of %1 in %2").arg(kind, QDir::toNativeSeparators(folderOf<T>())),
        { QStringLiteral("ID"), QStringLiteral("SETTINGS") }, QStringLiteral("presets"), std::move(rows));
}

template <class T>
void renamePreset(Host& host, Output& out, const ItemChoice& choice, const QString& wanted, bool number)
{
    const QString kind = EffectKind<T>::name();
    host.prepareForWriting();
    const Presets<T> presets = storedPresets<T>();
    const auto& [old, stored] = findPreset(presets, choice);
    const T& preset = *stored;
    const QString name = renamedName(
        old, wanted, [&wanted] { return Effect::nextPresetName<T>(wanted); }, number,
        EffectKind<T>::onePreset());
    if (!Effect::renameUserEffect<T>(&preset, name))
        throw failure(QStringLiteral("could not rename the %1 preset '%2'").arg(kind, old));
    out.line(QStringLiteral("Renamed %1 preset '%2' to '%3' (id %4)")
                 .arg(kind, old, name, QString::fromStdString(preset.id)));
    reportTwins<Effect::Object>(host, out, preset);
    out.set(QStringLiteral("type"), kind);
    out.set(QStringLiteral("from"), old);
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("id"), QString::fromStdString(preset.id));
}

template <class T>
void removePreset(Host& host, Output& out, const ItemChoice& choice)
{
    const QString kind = EffectKind<T>::name();
    host.prepareForWriting();
    const Presets<T> presets = storedPresets<T>();
    const auto& [name, stored] = findPreset(presets, choice);
    const T& preset = *stored;
    Effect::removeUserEffect(&preset);
    if (!removalSucceeded(host))
        throw failure(QStringLiteral("could not remove the %1 preset '%2'").arg(kind, name));
    const QString id = QString::fromStdString(preset.id);
    out.line(QStringLiteral("Removed %1 preset '%2' (id %3)").arg(kind, name, id));
    out.set(QStringLiteral("type"), kind);
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("id"), id);
    out.set(QStringLiteral("removed"), true);
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
    const QString heading = QStringLiteral("  %1: ").arg(EffectKind<T>::name());
    return heading + wrapped(ranges.join(QStringLiteral(", ")), heading.size()) + QLatin1Char('\n');
}

// Runs F<T>::run for the effect type's T.
template <template <class> class F, class... Arguments>
void forType(EffectType type, Arguments&&... arguments)
{
    if (type == EffectType::Equalizer)
        F<Effect::AudioEqualizer>::run(std::forward<Arguments>(arguments)...);
    else
        F<Effect::ManualEnhance>::run(std::forward<Arguments>(arguments)...);
}

template <class T>
struct Save {
    static void run(Host& host, Output& out, const EffectPresetRequest& request)
    {
        savePreset<T>(host, out, request);
    }
};
template <class T>
struct List {
    static void run(Host& host, Output& out, const ListOrder& order) { listPresets<T>(host, out, order); }
};
template <class T>
struct Rename {
    static void run(Host& host, Output& out, const ItemChoice& choice, const QString& name, bool number)
    {
        renamePreset<T>(host, out, choice, name, number);
    }
};
template <class T>
struct Remove {
    static void run(Host& host, Output& out, const ItemChoice& choice) { removePreset<T>(host, out, choice); }
};

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
    forType<Save>(request.type, host, out, request);
}

void listEffectPresets(Host& host, Output& out, EffectType type, const ListOrder& order)
{
    forType<List>(type, host, out, order);
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
                         "a taken NAME becomes NAME_01, ... With --replace, stores the settings over "
                         "the preset called NAME instead, keeping its id, file and collection.");
    save.options = {
        { QStringLiteral("set"), QStringLiteral("Sets one setting of the effect (repeatable)."),
            QStringLiteral("KEY=VALUE") },
        { QStringLiteral("collection"),
            QStringLiteral("Also shows the preset in this collection (default: audio_effects for the "
                           "equalizer, video_effects for enhance; empty for none)."),
            QStringLiteral("ID") },
        { QStringLiteral("preview"), QStringLiteral("The preset's preview picture (default: a drawn one)."),
            QStringLiteral("IMAGE") },
        { QStringLiteral("replace"), QStringLiteral("Overwrite the settings of the preset called NAME.") },
        exactOption(),
    };
    save.choices = [](const QString& valueName, const QStringList& arguments) {
        QStringList keys;
        if (valueName == QLatin1String("KEY=VALUE")) {
            const QString type = arguments.value(0);
            keys = type == EffectKind<Effect::AudioEqualizer>::name() ? settingKeys<Effect::AudioEqualizer>()
                : type == EffectKind<Effect::ManualEnhance>::name()   ? settingKeys<Effect::ManualEnhance>()
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

    Command list;
    list.words = QStringList { QStringLiteral("effects"), QStringLiteral("list") };
    list.arguments = QStringList { type };
    list.required = 1;
    list.summary
        = QStringLiteral("Lists the saved presets of the effect: name, id, settings and when saved.");
    list.options = listOptions();
    list.run = [](Context& context) {
        listEffectPresets(
            *context.host, context.out, parseEffectType(context.args.argument(0)), listOrder(context.args));
    };

    Command rename;
    rename.words = QStringList { QStringLiteral("effects"), QStringLiteral("rename") };
    rename.arguments = QStringList { type, QStringLiteral("OLD"), QStringLiteral("NEW") };
    rename.required = 3;
    rename.idFor = QStringLiteral("OLD");
    rename.summary
        = QStringLiteral("Gives the preset called OLD the name NEW; it keeps its id, settings and file.");
    rename.options = { idOption(), numberOption() };
    rename.run = [](Context& context) {
        forType<Rename>(parseEffectType(context.args.argument(0)), *context.host, context.out,
            itemChoice(context.args, 1), cleanName(context.args.argument(2), QStringLiteral("NEW")),
            context.args.isSet(QStringLiteral("number")));
    };

    Command remove;
    remove.words = QStringList { QStringLiteral("effects"), QStringLiteral("remove") };
    remove.arguments = QStringList { type, QStringLiteral("NAME") };
    remove.required = 2;
    remove.idFor = QStringLiteral("NAME");
    remove.summary = QStringLiteral("Deletes the saved preset of the effect called NAME.");
    remove.options = { idOption() };
    remove.run = [](Context& context) {
        forType<Remove>(parseEffectType(context.args.argument(0)), *context.host, context.out,
            itemChoice(context.args, 1));
    };

    CommandGroup group;
    group.name = QStringLiteral("effects");
    group.summary
        = QStringLiteral("Save, list, rename and remove presets of the equalizer and enhance effects");
    group.details = QStringLiteral("Settings (KEY MIN..MAX; 0 unless said):\n")
        + parameterHelp<Effect::AudioEqualizer>() + parameterHelp<Effect::ManualEnhance>();
    group.commands = { save, list, rename, remove };
    return group;
}

} // namespace Cli
