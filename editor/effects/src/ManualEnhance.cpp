#include "Parameters_p.h"

#include <Effect/ManualEnhance.h>
#include <Serialize/Archive.h>
#include <Serialize/Registry.h>

namespace Effect {

namespace {

const Serialize::Registration<ManualEnhance> registration { ManualEnhance::NameInArchive() };

// The members in the order of parameters().
constexpr double ManualEnhance::*members[] = {
    &ManualEnhance::brightness,
    &ManualEnhance::contrast,
    &ManualEnhance::saturation,
    &ManualEnhance::hue,
    &ManualEnhance::gamma,
    &ManualEnhance::temperature,
};

} // namespace

ManualEnhance::ManualEnhance() = default;

ManualEnhance::~ManualEnhance() = default;

const char* ManualEnhance::NameInArchive()
{
    return "ManualEnhance";
}

std::string ManualEnhance::name() const
{
    return NameInArchive();
}

const std::vector<ParameterInfo>& ManualEnhance::parameters()
{
    static const std::vector<ParameterInfo> all {
        { "brightness", -100.0, 100.0, 0.0 },
        { "contrast", -100.0, 100.0, 0.0 },
        { "saturation", -100.0, 100.0, 0.0 },
        { "hue", -180.0, 180.0, 0.0 },
        { "gamma", 0.1, 10.0, 1.0 },
        { "temperature", -100.0, 100.0, 0.0 },
    };
    return all;
}

std::optional<double> ManualEnhance::parameter(const std::string& key) const
{
    const int index = Details::parameterIndex(parameters(), key);
    if (index < 0)
        return std::nullopt;
    return this->*members[index];
}

bool ManualEnhance::setParameter(const std::string& key, double value)
{
    const int index = Details::parameterIndex(parameters(), key);
    if (index < 0 || !Details::inRange(parameters()[std::size_t(index)], value))
        return false;
    this->*members[index] = value;
    return true;
}

void ManualEnhance::save(Serialize::OutputArchive& archive) const
{
    archive.beginNode(NameInArchive());
    saveIdentity(archive);
    const auto& all = parameters();
    for (std::size_t i = 0; i < all.size(); ++i)
        archive.writeDouble(all[i].key.c_str(), this->*members[i]);
    archive.endNode();
}

void ManualEnhance::restore(Serialize::InputArchive& archive)
{
    ManualEnhance restored;
    archive.beginNode(NameInArchive());
    restored.restoreIdentity(archive);
    const auto& all = parameters();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const double value = archive.readDouble(all[i].key.c_str());
        if (!Details::inRange(all[i], value))
            throw Serialize::ArchiveError("enhancement setting out of range: " + all[i].key);
        restored.*members[i] = value;
    }
    archive.endNode();
    *this = restored;
}

} // namespace Effect
