#pragma once

#include <Effect/Parameter.h>
#include <Model/EffectObject.h>

#include <optional>

namespace Effect {

// Manual colour enhancement.
class ManualEnhance : public Effect::Object {
public:
    ManualEnhance();
    ManualEnhance(const ManualEnhance&) = default;
    ManualEnhance& operator=(const ManualEnhance&) = default;
    ~ManualEnhance() override;

    static const char* NameInArchive(); // "ManualEnhance"

    std::string name() const override;
    void save(Serialize::OutputArchive& archive) const override;
    void restore(Serialize::InputArchive& archive) override;

    // Keys "brightness", "contrast", "saturation" (-100..100), "hue" (-180..180),
    // "gamma" (0.1..10), "temperature" (-100..100).
    static const std::vector<ParameterInfo>& parameters();
    std::optional<double> parameter(const std::string& key) const;
    // False (and nothing changed) for an unknown key or a value out of range.
    bool setParameter(const std::string& key, double value);

    double brightness = 0.0;
    double contrast = 0.0;
    double saturation = 0.0;
    double hue = 0.0;
    double gamma = 1.0;
    double temperature = 0.0;
};

} // namespace Effect
