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

// Setting i of parameters(), through the table above.
struct Setting {
    template <class Enhance>
    auto& operator()(Enhance& enhance, int index) const
    {
        return enhance.*members[index];
    }
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
    return Details::parameterValue(*this, key, Setting());
}

bool ManualEnhance::setParameter(const std::string& key, double value)
{
    return Details::setParameterValue(*this, key, value, Setting());
}

void ManualEnhance::save(Serialize::OutputArchive& archive) const
{
    archive.beginNode(NameInArchive());
    saveIdentity(archive);
    Details::writeSettings(*this, archive, Setting());
    archive.endNode();
}

void ManualEnhance::restore(Serialize::InputArchive& archive)
{
    ManualEnhance restored;
    archive.beginNode(NameInArchive());
    restored.restoreIdentity(archive);
    Details::readSettings(restored, archive, Setting());
    archive.endNode();
    *this = restored;
}

} // namespace Effect
