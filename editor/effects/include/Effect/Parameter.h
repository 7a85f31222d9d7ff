#pragma once

#include <QLatin1Char>
#include <QString>
#include <QStringList>

#include <cmath>
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
        if (value == info.defaultValue)
            continue;
        // Most settings are whole numbers, which print alike either way and far faster.
        const bool whole = std::abs(value) < 1e6 && value == double(qint64(value));
        changed += QString::fromStdString(info.key) + QLatin1Char('=')
            + (whole ? QString::number(qint64(value)) : QString::number(value));
    }
    return changed.isEmpty() ? QStringLiteral("(defaults)") : changed.join(QLatin1Char(' '));
}

} // namespace Effect
