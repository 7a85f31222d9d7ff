#pragma once

#include <QLatin1Char>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace Effect {

// One adjustable setting of an effect, by key, with its allowed range.
struct ParameterInfo {
    std::string key;
    double minimum;
    double maximum;
    double defaultValue;
};

// The settings of effect that differ from their defaults, which is what tells presets
// apart, as "key=value key=value"; "(defaults)" when none does.
template <class T>
QString changedSettings(const T& effect)
{
    QStringList changed;
    for (const ParameterInfo& info : T::parameters()) {
        const double value = effect.parameter(info.key).value_or(info.defaultValue);
        if (value != info.defaultValue)
            changed += QString::fromStdString(info.key) + QLatin1Char('=') + QString::number(value);
    }
    return changed.isEmpty() ? QStringLiteral("(defaults)") : changed.join(QLatin1Char(' '));
}

} // namespace Effect
