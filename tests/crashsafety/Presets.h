#pragma once

// The presets the saver writes and lists. A preset's kind and values follow from its
// name alone, so a preset found on disk can be checked even when its saver died
// before reporting it.

#include <Effect/AudioEqualizer.h>
#include <Effect/ManualEnhance.h>
#include <Model/OverlayPreset.h>
#include <PersistentItem.h>
#include <Settings/Settings.h>

#include <QDir>
#include <QString>
#include <QStringList>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace CrashSafety {

enum class Kind { Equalizer, Enhance, Title };

inline QString presetName(const QString& label, int index)
{
    return label + QLatin1Char('-') + QString::number(index);
}

// The three kinds take turns along a run's indices.
inline Kind kindOf(const QString& name)
{
    return Kind(name.section(QLatin1Char('-'), -1).toUInt() % 3);
}

// Whole numbers only, so that they survive the archive's text form exactly.
inline std::vector<double> valuesOf(const QString& name)
{
    std::uint32_t state = 2166136261u;
    for (const QChar c : name)
        state = (state ^ c.unicode()) * 16777619u;
    const auto next = [&state](double minimum, double maximum) {
        state = state * 1664525u + 1013904223u;
        return std::ceil(minimum)
            + (state >> 8) % std::uint32_t(std::floor(maximum) - std::ceil(minimum) + 1);
    };
    std::vector<double> values;
    const auto within = [&](const std::vector<Effect::ParameterInfo>& parameters) {
        for (const Effect::ParameterInfo& parameter : parameters)
            values.push_back(next(parameter.minimum, parameter.maximum));
    };
    switch (kindOf(name)) {
    case Kind::Equalizer:
        within(Effect::AudioEqualizer::parameters());
        break;
    case Kind::Enhance:
        within(Effect::ManualEnhance::parameters());
        break;
    case Kind::Title: // font size, text colour, background colour
        values = { next(10, 99), next(0, 0xffffff), next(0, 0xffffff) };
        break;
    }
    return values;
}

template <class T>
void setValues(T& effect, const std::vector<double>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        effect.setParameter(T::parameters().at(i).key, values[i]);
}

inline void setValues(Overlay::Preset& title, const std::vector<double>& values)
{
    title.fontSize = std::int32_t(values.at(0));
    title.textColor = std::uint32_t(values.at(1));
    title.backgroundColor = std::uint32_t(values.at(2));
}

template <class T>
std::vector<double> valuesIn(const T& effect)
{
    std::vector<double> values;
    for (const Effect::ParameterInfo& parameter : T::parameters())
        values.push_back(effect.parameter(parameter.key).value_or(std::nan("")));
    return values;
}

inline std::vector<double> valuesIn(const Overlay::Preset& title)
{
    return { double(title.fontSize), double(title.textColor), double(title.backgroundColor) };
}

const Kind Kinds[] = { Kind::Equalizer, Kind::Enhance, Kind::Title };

inline QString folderOf(Kind kind)
{
    switch (kind) {
    case Kind::Equalizer:
        return QDir::cleanPath(Settings::userEffectsPath(Effect::AudioEqualizer::NameInArchive()));
    case Kind::Enhance:
        return QDir::cleanPath(Settings::userEffectsPath(Effect::ManualEnhance::NameInArchive()));
    case Kind::Title:
        break;
    }
    return QDir::cleanPath(Settings::userOverlaysPath());
}

// One preset as the persistence service reads it back; a line of text in the listing
// the saver prints at start: "= <kind> <id> <name> <title text or -> <values>".
struct Stored {
    Kind kind;
    std::string id;
    QString name;
    QString text;
    std::vector<double> values;

    QString line() const
    {
        QString line
            = QStringLiteral("= %1 %2 %3 %4")
                  .arg(int(kind))
                  .arg(QString::fromStdString(id), name, text.isEmpty() ? QStringLiteral("-") : text);
        for (const double value : values)
            line += QLatin1Char(' ') + QString::number(value, 'g', 17);
        return line;
    }
    static Stored parse(const QString& line)
    {
        const QStringList fields = line.split(QLatin1Char(' '));
        Stored stored { Kind(fields.value(1).toInt()), fields.value(2).toStdString(), fields.value(3),
            fields.value(4) == QLatin1String("-") ? QString() : fields.value(4), {} };
        for (int i = 5; i < fields.size(); ++i)
            stored.values.push_back(fields[i].toDouble());
        return stored;
    }
};

inline Stored describe(const Effect::Object& effect, const QString& name)
{
    if (const auto* equalizer = dynamic_cast<const Effect::AudioEqualizer*>(&effect))
        return { Kind::Equalizer, effect.id, name, {}, valuesIn(*equalizer) };
    return { Kind::Enhance, effect.id, name, {},
        valuesIn(dynamic_cast<const Effect::ManualEnhance&>(effect)) };
}

inline Stored describe(const Overlay::Preset& title, const QString& name)
{
    return { Kind::Title, title.id, name, QString::fromStdString(title.text), valuesIn(title) };
}

template <class T>
std::vector<Stored> loadRecords(const QString& path)
{
    std::vector<Stored> result;
    for (const auto& record : EditorCollection::PersistentItemHelper<T>().load(path.toStdString())) {
        const std::unique_ptr<const T> item(record.item);
        const auto name = item ? record.customStrings.find(item->id) : record.customStrings.end();
        if (name != record.customStrings.end())
            result.push_back(describe(*item, QString::fromStdString(name->second)));
    }
    return result;
}

// The presets at path (a file or a folder) in the preset folder of kind.
inline std::vector<Stored> load(Kind kind, const QString& path)
{
    return kind == Kind::Title ? loadRecords<Overlay::Preset>(path) : loadRecords<Effect::Object>(path);
}

} // namespace CrashSafety
