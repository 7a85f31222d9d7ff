#include "Parameters_p.h"
#include <Effect/AudioEqualizer.h>
#include <Serialize/Archive.h>
#include <Serialize/Registry.h>

namespace Effect {

namespace {

const Serialize::Registration<AudioEqualizer> registration { AudioEqualizer::NameInArchive() };

// Setting i of parameters(): the preamp first, then the bands.
struct Setting {
    template <class Equalizer>
    auto& operator()(Equalizer& equalizer, int index) const
    {
        return index == 0 ? equalizer.preamp : equalizer.bandGains[std::size_t(index - 1)];
    }
};

} // namespace

const std::array<int, AudioEqualizer::BandCount>& AudioEqualizer::bandFrequencies()
{
    static const std::array<int, BandCount> frequencies { 31, 62, 125, 250, 500, 1000, 2000, 4000, 8000,
        16000 };
    return frequencies;
}

AudioEqualizer::AudioEqualizer() = default;

AudioEqualizer::~AudioEqualizer() = default;

const char* AudioEqualizer::NameInArchive()
{
    return "AudioEqualizer";
}

std::string AudioEqualizer::name() const
{
    return NameInArchive();
}

const std::vector<ParameterInfo>& AudioEqualizer::parameters()
{
    static const std::vector<ParameterInfo> all = [] {
        std::vector<ParameterInfo> result { { "preamp", -12.0, 12.0, 0.0 } };
        for (int band = 1; band <= BandCount; ++band)
            result.push_back({ "band" + std::to_string(band), -12.0, 12.0, 0.0 });
        return result;
    }();
    return all;
}

std::optional<double> AudioEqualizer::parameter(const std::string& key) const
{
    return Details::parameterValue(*this, key, Setting());
}

bool AudioEqualizer::setParameter(const std::string& key, double value)
{
    return Details::setParameterValue(*this, key, value, Setting());
}

void AudioEqualizer::save(Serialize::OutputArchive& archive) const
{
    archive.beginNode(NameInArchive());
    saveIdentity(archive);
    Details::writeSettings(*this, archive, Setting());
    archive.endNode();
}

void AudioEqualizer::restore(Serialize::InputArchive& archive)
{
    AudioEqualizer restored;
    archive.beginNode(NameInArchive());
    restored.restoreIdentity(archive);
    Details::readSettings(restored, archive, Setting());
    archive.endNode();
    *this = restored;
}

} // namespace Effect
