#pragma once

#include <Effect/Parameter.h>
#include <Model/EffectObject.h>

#include <array>
#include <optional>

namespace Effect {

// A 10-band graphic equalizer: band gains and preamp in dB.
class AudioEqualizer : public Effect::Object {
public:
    static constexpr int BandCount = 10;
    // Centre frequencies in Hz, band 0 first.
    static const std::array<int, BandCount>& bandFrequencies();

    AudioEqualizer();
    AudioEqualizer(const AudioEqualizer&) = default;
    AudioEqualizer& operator=(const AudioEqualizer&) = default;
    ~AudioEqualizer() override;

    static const char* NameInArchive(); // "AudioEqualizer"

    std::string name() const override;
    void save(Serialize::OutputArchive& archive) const override;
    void restore(Serialize::InputArchive& archive) override;

    // Keys "preamp" and "band1".."band10" (each -12..12 dB).
    static const std::vector<ParameterInfo>& parameters();
    std::optional<double> parameter(const std::string& key) const;
    // False (and nothing changed) for an unknown key or a value out of range.
    bool setParameter(const std::string& key, double value);

    std::array<double, BandCount> bandGains {};
    double preamp = 0.0;
};

} // namespace Effect
