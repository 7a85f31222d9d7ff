#pragma once

// The presets the saver writes and lists. A preset's kind and values follow from its
// name alone, so a preset found on disk can be checked even when its saver died
// before reporting it.

#include <Effect/AudioEqualizer.h>
#include <Effect/ManualEnhance.h>
#include <Model/OverlayPreset.h>
#include <PersistentItem.h>
#include <QDir>
#include <QString>
#include <QStringList>
#include <Settings/Settings.h>
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
    const auto next = [&state](std::uint32_t span) {
        state = state * 1664525u + 1013904223u;
        return double((state >> 8) % span);
    };
    std::vector<double> values;
    switch (kindOf(name)) {
    case Kind::Equalizer: // preamp, then the bands
        for (int i = 0; i <= Effect::AudioEqualizer::BandCount; ++i)
            values.push_back(next(25) - 12);
        break;
    case Kind::Enhance: // brightness, contrast, saturation, hue, gamma, temperature
        values = { next(201) - 100, next(201) - 100, next(201) - 100, next(361) - 180, next(9) + 1,
            next(201) - 100 };
        break;
    case Kind::Title: // font size, text colour, background colour
        values = { next(90) + 10, next(0xffffffu), next(0xffffffu) };
        break;
    }
    return values;
}

inline void setValues(Effect::AudioEqualizer& effect, const std::vector<double>& values)
{
    effect.preamp = values.at(0);
    for (int band = 0; band < Effect::AudioEqualizer::BandCount; ++band)
        effect.bandGains[band] = values.at(band + 1);
}

inline void setValues(Effect::ManualEnhance& effect, const std::vector<double>& values)
{
    effect.brightness = values.at(0);
    effect.contrast = values.at(1);
    effect.saturation = values.at(2);
    effect.hue = values.at(3);
    effect.gamma = values.at(4);
    effect.temperature = values.at(5);
}

inline void setValues(Overlay::Preset& title, const std::vector<double>& values)
{
    title.fontSize = std::int32_t(values.at(0));
    title.textColor = std::uint32_t(values.at(1));
    title.backgroundColor = std::uint32_t(values.at(2));
}

inline std::vector<double> valuesIn(const Effect::AudioEqualizer& effect)
{
    std::vector<double> values { effect.preamp };
    values.insert(values.end(), effect.bandGains.begin(), effect.bandGains.end());
    return values;
}

inline std::vector<double> valuesIn(const Effect::ManualEnhance& effect)
{
    return { effect.brightness, effect.contrast, effect.saturation, effect.hue, effect.gamma,
        effect.temperature };
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
