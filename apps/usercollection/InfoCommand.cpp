#include "InfoCommand.h"

#include "CommandError.h"
#include "EffectCommands.h"
#include "Host.h"
#include "ImportCommands.h"
#include "Inputs.h"
#include "IntroCommands.h"
#include "Output.h"
#include "TitleCommands.h"
#include <Effect/AudioEqualizer.h>
#include <Effect/ManualEnhance.h>
#include <Effect/Parameter.h>
#include <ItemKinds.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <Model/Timeline.h>
#include <Project/Writer.h>

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <functional>
#include <optional>
#include <type_traits>

namespace Cli {

namespace {

template <class T>
using Record = EditorCollection::PersistentItem<T>;

// The type the records of a kind's items are stored as.
template <class Actions>
struct ItemOf;
template <class T>
struct ItemOf<ItemActions<T>> {
    using Type = T;
};

// Calls use(name, record) with the record of the item the choice names among the
// kind's items, read from its file; a failure when there is none.
template <class T>
void withRecord(Host& host, const ItemActions<T>& kind, const ItemChoice& choice,
    const std::function<void(const QString&, const Record<T>&)>& use)
{
    const Shown<T> found = findItem(kind, choice);
    const QString file = host.persistence().recordFile(*found.item);
    EditorCollection::LoadedRecords<T> records;
    if (!file.isEmpty())
        records = EditorCollection::readBack<T>(file);
    if (records.size() != 1 || !records[0].item || records[0].item->id != found.item->id)
        throw failure(
            QStringLiteral("cannot read the record of the %1 '%2'").arg(kind.what(*found.item), found.name));
    use(found.name, records[0]);
}

// What each kind looks like in words: lines for people, fields for JSON.
struct Description {
    QStringList lines;
    QJsonObject json;

    void add(const QString& key, const QString& label, const QJsonValue& value, const QString& text)
    {
        lines << QStringLiteral("  %1: %2").arg(label, text);
        json[key] = value;
    }
    void add(const QString& key, const QString& text) { add(key, key, text, text); }
};

template <class T>
void describeSettings(const T& preset, Description& out)
{
    QJsonObject settings;
    QStringList words;
    for (const Effect::ParameterInfo& info : T::parameters()) {
        const double value = preset.parameter(info.key).value_or(info.defaultValue);
        const QString key = QString::fromStdString(info.key);
        settings[key] = value;
        words << (value == info.defaultValue ? QStringLiteral("%1=%2 (default)").arg(key).arg(value)
                                             : QStringLiteral("%1=%2").arg(key).arg(value));
    }
    out.lines << QStringLiteral("  settings: %1").arg(Effect::changedSettings(preset));
    out.lines << QStringLiteral("  every setting: %1").arg(words.join(QStringLiteral(", ")));
    out.json[QStringLiteral("settings")] = settings;
}

void describe(const Effect::Object& preset, Description& out)
{
    if (const auto* equalizer = dynamic_cast<const Effect::AudioEqualizer*>(&preset))
        describeSettings(*equalizer, out);
    else if (const auto* enhance = dynamic_cast<const Effect::ManualEnhance*>(&preset))
        describeSettings(*enhance, out);
}

QString colorName(std::uint32_t argb)
{
    return QColor::fromRgba(argb).name(QColor::HexArgb);
}

void describe(const Overlay::Preset& title, Description& out)
{
    out.add(QStringLiteral("text"), QString::fromStdString(title.text));
    out.add(QStringLiteral("font"), QString::fromStdString(title.fontFamily));
    out.add(QStringLiteral("fontSize"), QStringLiteral("font size"), title.fontSize,
        QString::number(title.fontSize));
    out.add(QStringLiteral("color"), colorName(title.textColor));
    out.add(QStringLiteral("background"), colorName(title.backgroundColor));
}

QString seconds(std::int64_t milliseconds)
{
    return QStringLiteral("%1 s").arg(milliseconds / 1000.0, 0, 'f', 1);
}

void describe(const Import::Object& item, Description& out)
{
    const QString path = QString::fromStdString(item.path);
    if (item.kind != Import::Object::Intro) {
        out.add(QStringLiteral("kind"), kindName(item.kind));
        const bool exists = QFileInfo::exists(path);
        out.add(QStringLiteral("media"), QStringLiteral("media"), path,
            QDir::toNativeSeparators(path) + (exists ? QString() : QStringLiteral(" (missing)")));
        out.json[QStringLiteral("mediaExists")] = exists;
        return;
    }
    out.add(QStringLiteral("bundle"), QStringLiteral("bundle"), path, QDir::toNativeSeparators(path));
    const std::unique_ptr<Timeline::Object> timeline = Project::readBundle(path);
    if (!timeline) {
        out.lines << QStringLiteral("  timeline: unreadable");
        out.json[QStringLiteral("tracks")] = QJsonArray();
        return;
    }
    out.add(QStringLiteral("durationMs"), QStringLiteral("length"), double(timeline->duration()),
        seconds(timeline->duration()));
    QJsonArray tracks;
    for (const Timeline::Track& track : timeline->tracks) {
        const QString name = QString::fromStdString(track.name);
        out.lines << QStringLiteral("  track %1: %2 clip(s)").arg(name).arg(track.clips.size());
        QJsonArray clips;
        for (const Timeline::Clip& clip : track.clips) {
            const QString source = QString::fromStdString(clip.sourcePath);
            out.lines << QStringLiteral("    %1, in %2, out %3")
                             .arg(source.isEmpty() ? QStringLiteral("(black)")
                                                   : QDir::toNativeSeparators(source),
                                 seconds(clip.inPoint), seconds(clip.outPoint));
            clips.append(QJsonObject { { QStringLiteral("source"), source },
                { QStringLiteral("inMs"), double(clip.inPoint) },
                { QStringLiteral("outMs"), double(clip.outPoint) } });
        }
        tracks.append(QJsonObject { { QStringLiteral("name"), name }, { QStringLiteral("clips"), clips } });
    }
    out.json[QStringLiteral("tracks")] = tracks;
}

template <class T>
void describeRecord(
    Host& host, Output& out, const QString& kindWord, const QString& name, const Record<T>& record)
{
    const T& item = *record.item;
    const QString id = QString::fromStdString(item.id);
    const QString file = host.persistence().recordFile(item);
    Description description;
    description.add(QStringLiteral("id"), id);
    description.add(QStringLiteral("file"), QStringLiteral("file"), file, QDir::toNativeSeparators(file));
    const QDateTime saved = savedAt(file);
    description.add(QStringLiteral("saved"), QStringLiteral("saved"), saved.toUTC().toString(Qt::ISODate),
        saved.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    const QString collection = QString::fromStdString(record.collectionId);
    description.add(QStringLiteral("collection"), QStringLiteral("collection"), collection,
        collection.isEmpty() ? QStringLiteral("(none)") : collection);
    QStringList categories;
    for (const std::string& category : record.categories)
        categories << QString::fromStdString(category);
    description.add(QStringLiteral("categories"), QStringLiteral("categories"),
        QJsonArray::fromStringList(categories),
        categories.isEmpty() ? QStringLiteral("(none)") : categories.join(QStringLiteral(", ")));
    const bool hasPreview = record.preview && !record.preview->isNull();
    description.add(QStringLiteral("preview"), QStringLiteral("preview"),
        hasPreview ? QJsonValue(QJsonObject { { QStringLiteral("width"), record.preview->width() },
            { QStringLiteral("height"), record.preview->height() } })
                   : QJsonValue(),
        hasPreview ? QStringLiteral("%1x%2").arg(record.preview->width()).arg(record.preview->height())
                   : QStringLiteral("(none)"));
    describe(item, description);

    out.line(QStringLiteral("%1 '%2'").arg(kindWord, name));
    for (const QString& line : description.lines)
        out.line(line);
    out.set(QStringLiteral("kind"), kindWord);
    out.set(QStringLiteral("name"), name);
    for (auto value = description.json.begin(); value != description.json.end(); ++value)
        out.set(value.key(), value.value());
    reportTwins(host, out, item);
}

// Calls use with the kind's items and what they are stored as.
template <class Use>
void withKind(Host& host, const QString& kind, Use use)
{
    if (kind == QLatin1String("equalizer"))
        use(presetActions(EffectType::Equalizer));
    else if (kind == QLatin1String("enhance"))
        use(presetActions(EffectType::Enhance));
    else if (kind == QLatin1String("import"))
        use(importActions(host, std::nullopt));
    else if (kind == QLatin1String("intro"))
        use(introActions(host));
    else if (kind == QLatin1String("title"))
        use(titleActions(host));
    else if (kindChoices().contains(kind)) // the kind of an import, as lists show it
        use(importActions(host, parseKind(kind)));
    else
        throw usageError(QStringLiteral("unknown kind '%1' (expected %2)")
                             .arg(kind, (infoKinds() + kindChoices()).join(QStringLiteral(", "))));
}

} // namespace

QStringList infoKinds()
{
    QStringList words;
    for (const EditorCollection::ItemKind& kind : EditorCollection::itemKinds())
        words << QString::fromLatin1(kind.word);
    return words;
}

StoredPreview storedPreview(Host& host, const QString& kind, const ItemChoice& choice)
{
    StoredPreview shown;
    withKind(host, kind, [&](const auto& actions) {
        using T = typename ItemOf<std::decay_t<decltype(actions)>>::Type;
        withRecord<T>(host, actions, choice, [&](const QString& name, const Record<T>& record) {
            shown = { kind, name, QString::fromStdString(record.item->id), record.preview };
        });
    });
    return shown;
}

CommandGroup infoCommands()
{
    Command info;
    info.words = QStringList { QStringLiteral("info") };
    info.arguments = QStringList { infoKinds().join(QLatin1Char('|')), QStringLiteral("NAME") };
    info.required = 2;
    info.idFor = QStringLiteral("NAME");
    info.summary = QStringLiteral(
        "Shows everything the item called NAME holds: id, file, collection, preview, and a preset's "
        "settings, a title's text, font and colours, an import's media file, an intro's clips. An "
        "import's kind as lists show it (video, ...) is taken for import.");
    info.options = { idOption() };
    info.run = [](Context& context) {
        const QString kind = context.args.argument(0);
        const ItemChoice choice = itemChoice(context.args, 1);
        Host& host = *context.host;
        withKind(host, kind, [&](const auto& actions) {
            using T = typename ItemOf<std::decay_t<decltype(actions)>>::Type;
            withRecord<T>(host, actions, choice, [&](const QString& name, const Record<T>& record) {
                describeRecord(host, context.out, kind, name, record);
            });
        });
    };

    CommandGroup group;
    group.name = QStringLiteral("info");
    group.summary = QStringLiteral("Show what one saved item holds");
    group.commands = { info };
    return group;
}

} // namespace Cli
