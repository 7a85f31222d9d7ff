#pragma once

#include <Effect/Parameter.h>
#include <Serialize/Archive.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace Effect {
namespace Details {

// Position of key in parameters, or -1 when the effect has no such setting.
int parameterIndex(const std::vector<ParameterInfo>& parameters, const std::string& key);
// False for a value outside the setting's range, and for NaN.
bool inRange(const ParameterInfo& parameter, double value);

// The settings protocol both effects share: E::parameters() lists the settings and
// setting(effect, i) reaches the member of setting i.
template <class E, class Setting>
std::optional<double> parameterValue(const E& effect, const std::string& key, Setting setting)
{
    const int index = parameterIndex(E::parameters(), key);
    if (index < 0)
        return std::nullopt;
    return setting(effect, index);
}

template <class E, class Setting>
bool setParameterValue(E& effect, const std::string& key, double value, Setting setting)
{
    const int index = parameterIndex(E::parameters(), key);
    if (index < 0 || !inRange(E::parameters()[std::size_t(index)], value))
        return false;
    setting(effect, index) = value;
    return true;
}

template <class E, class Setting>
void writeSettings(const E& effect, Serialize::OutputArchive& archive, Setting setting)
{
    const auto& all = E::parameters();
    for (std::size_t i = 0; i < all.size(); ++i)
        archive.writeDouble(all[i].key.c_str(), setting(effect, int(i)));
}

// A stored value out of range is damage, like any other unreadable entry.
template <class E, class Setting>
void readSettings(E& effect, Serialize::InputArchive& archive, Setting setting)
{
    const auto& all = E::parameters();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const double value = archive.readDouble(all[i].key.c_str());
        if (!inRange(all[i], value))
            throw Serialize::ArchiveError(
                std::string(E::NameInArchive()) + " setting out of range: " + all[i].key);
        setting(effect, int(i)) = value;
    }
}

} // namespace Details
} // namespace Effect
