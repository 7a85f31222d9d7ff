#include "EffectCommands.h"

#include "CollectionItems.h"
#include "CommandError.h"
#include "Host.h"
#include "Inputs.h"
#include "Output.h"
#include "Previews.h"

#include <Effect/AudioEqualizer.h>
#include <Effect/ManualEnhance.h>
#include <Effect/UserEffects.h>
#include <Model/CollectionID.h>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <Settings/Settings.h>
#include <cmath>

namespace Cli {

namespace {

template <class T>
struct EffectKind;

template <>
struct EffectKind<Effect::AudioEqualizer> {
    static QString name() { return QStringLiteral("equalizer"); }
    static const std::string& collectionId() { return EditorCollection::CollectionID::AUDIO_EFFECTS; }
    static std::shared_ptr<const Types::Image> preview(const Effect::AudioEqualizer& effect)
    {
        return equalizerPreview(effect);
    }
};

template <>
struct EffectKind<Effect::ManualEnhance> {
    static QString name() { return QStringLiteral("enhance"); }
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

template <class T>
void savePreset(Host& host, Output& out, const EffectPresetRequest& request)
{
    const QString kind = EffectKind<T>::name();
    const QString name = requireName(request.name, QStringLiteral("NAME"));
    T effect;
    for (const QString& setting : request.settings)
        applySetting(effect, setting);
    std::shared_ptr<const Types::Image> preview = readPreview(request.previewFile);
    if (!preview)
        preview = EffectKind<T>::preview(effect);
    const std::string collectionId = request.collectionId.value_or(EffectKind<T>::collectionId());

    host.prepareForWriting();
    // Only the first preset read under a name is ever listed, so a second one would be lost to the user.
    if (Effect::loadUserEffects<T>().count(name))
        throw usageError(QStringLiteral("an %1 preset called '%2' already exists").arg(kind, name));
    const std::unique_ptr<const T> saved = Effect::saveUserEffect<T>(&effect, name, collectionId, preview);
    if (!saved)
        throw failure(QStringLiteral("could not save the %1 preset '%2'").arg(kind, name));

    const QString id = QString::fromStdString(saved->id);
    const QString file = QDir(folderOf<T>()).filePath(id);
    out.line(QStringLiteral("Saved %1 preset '%2' (id %3)").arg(kind, name, id));
    out.line(QStringLiteral("  settings: %1").arg(settingsText(*saved)));
    out.line(QStringLiteral("  file: %1").arg(QDir::toNativeSeparators(file)));
    if (!collectionId.empty())
        out.line(QStringLiteral("  collection: %1").arg(QString::fromStdString(collectionId)));
    out.set(QStringLiteral("type"), kind);
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("id"), id);
    out.set(QStringLiteral("file"), file);
    out.set(QStringLiteral("collection"), QString::fromStdString(collectionId));
    out.set(QStringLiteral("settings"), settingsJson(*saved));
}

template <class T>
void listPresets(Output& out)
{
    const QString kind = EffectKind<T>::name();
    const auto presets = Effect::loadUserEffects<T>();
    QJsonArray entries;
    QList<QStringList> rows;
    for (const auto& [name, preset] : presets) {
        const QString id = QString::fromStdString(preset->id);
        if (out.json()) {
            entries.append(QJsonObject {
                { QStringLiteral("name"), name },
                { QStringLiteral("id"), id },
                { QStringLiteral("settings"), settingsJson(*preset) },
            });
        } else {
            rows += QStringList { name, id, settingsText(*preset) };
        }
    }
    out.line(QStringLiteral("%1 preset(s) of %2 in %3")
                 .arg(presets.size())
                 .arg(kind, QDir::toNativeSeparators(folderOf<T>())));
    out.table({ QStringLiteral("NAME"), QStringLiteral("ID"), QStringLiteral("SETTINGS") }, std::move(rows));
    out.set(QStringLiteral("type"), kind);
    out.set(QStringLiteral("presets"), entries);
}

template <class T>
void removePreset(Host& host, Output& out, const QString& name)
{
    const QString kind = EffectKind<T>::name();
    host.prepareForWriting();
    const auto presets = Effect::loadUserEffects<T>();
    const auto found = presets.find(name);
    if (found == presets.end())
        throw failure(QStringLiteral("there is no %1 preset called '%2'").arg(kind, name));
    const std::string id = found->second->id;
    Effect::removeUserEffect(found->second.get());
    if (!removalSucceeded(host))
        throw failure(QStringLiteral("could not remove the %1 preset '%2'").arg(kind, name));
    out.line(QStringLiteral("Removed %1 preset '%2' (id %3)").arg(kind, name, QString::fromStdString(id)));
    out.set(QStringLiteral("type"), kind);
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("id"), QString::fromStdString(id));
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

void listEffectPresets(Host&, Output& out, EffectType type)
{
    if (type == EffectType::Equalizer)
        listPresets<Effect::AudioEqualizer>(out);
    else
        listPresets<Effect::ManualEnhance>(out);
}

void removeEffectPreset(Host& host, Output& out, EffectType type, const QString& name)
{
    if (type == EffectType::Equalizer)
        removePreset<Effect::AudioEqualizer>(host, out, name);
    else
        removePreset<Effect::ManualEnhance>(host, out, name);
}

CommandGroup effectCommands()
{
    const QString type = QStringLiteral("equalizer|enhance");
    const QString name = QStringLiteral("NAME");

    Command save;
    save.words = QStringList { QStringLiteral("effects"), QStringLiteral("save") };
    save.arguments = QStringList { type, name };
    save.required = 2;
    save.summary
        = QStringLiteral("Saves a preset of the effect, built from its defaults and the --set values.");
    save.options = {
        { QStringLiteral("set"), QStringLiteral("Sets one setting of the effect (repeatable)."),
            QStringLiteral("KEY=VALUE") },
        { QStringLiteral("collection"),
            QStringLiteral("Also shows the preset in this collection (default: audio_effects for the "
                           "equalizer, video_effects for enhance; empty for none)."),
            QStringLiteral("ID") },
        { QStringLiteral("preview"), QStringLiteral("The preset's preview picture (default: a drawn one)."),
            QStringLiteral("IMAGE") },
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
        saveEffectPreset(*context.host, context.out, request);
    };

    Command list;
    list.words = QStringList { QStringLiteral("effects"), QStringLiteral("list") };
    list.arguments = QStringList { type };
    list.required = 1;
    list.summary = QStringLiteral("Lists the saved presets of the effect: name, id and settings.");
    list.run = [](Context& context) {
        listEffectPresets(*context.host, context.out, parseEffectType(context.args.argument(0)));
    };

    Command remove;
    remove.words = QStringList { QStringLiteral("effects"), QStringLiteral("remove") };
    remove.arguments = QStringList { type, name };
    remove.required = 2;
    remove.summary = QStringLiteral("Deletes the saved preset of the effect called NAME.");
    remove.run = [](Context& context) {
        const EffectType effect = parseEffectType(context.args.argument(0));
        removeEffectPreset(*context.host, context.out, effect,
            requireName(context.args.argument(1), QStringLiteral("NAME")));
    };

    CommandGroup group;
    group.name = QStringLiteral("effects");
    group.summary = QStringLiteral("Save, list and remove presets of the equalizer and enhance effects");
    group.details = QStringLiteral("Settings (KEY MIN..MAX; 0 unless said):\n")
        + parameterHelp<Effect::AudioEqualizer>() + parameterHelp<Effect::ManualEnhance>();
    group.commands = { save, list, remove };
    return group;
}

} // namespace Cli
