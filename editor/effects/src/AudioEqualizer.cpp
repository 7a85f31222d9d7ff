#include "Parameters_p.h"

#include <Effect/AudioEqualizer.h>
#include <Serialize/Archive.h>
#include <Serialize/Registry.h>

namespace Effect {

namespace {

const Serialize::Registration<AudioEqualizer> registration { AudioEqualizer::NameInArchive() };

// Setting i of parameters(): the preamp first, then the bands.
template <class Equalizer>
auto& setting(Equalizer& equalizer, int index)
{
    return index == 0 ? equalizer.preamp : equalizer.bandGains[std::size_t(index - 1)];
}

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
    const int index = Details::parameterIndex(parameters(), key);
    if (index < 0)
        return std::nullopt;
    return setting(*this, index);
}

bool AudioEqualizer::setParameter(const std::string& key, double value)
{
    const int index = Details::parameterIndex(parameters(), key);
    if (index < 0 || !Details::inRange(parameters()[std::size_t(index)], value))
        return false;
    setting(*this, index) = value;
    return true;
}

void AudioEqualizer::save(Serialize::OutputArchive& archive) const
{
    archive.beginNode(NameInArchive());
    saveIdentity(archive);
    const auto& all = parameters();
    for (std::size_t i = 0; i < all.size(); ++i)
        archive.writeDouble(all[i].key.c_str(), setting(*this, int(i)));
    archive.endNode();
}

void AudioEqualizer::restore(Serialize::InputArchive& archive)
{
    AudioEqualizer restored;
    archive.beginNode(NameInArchive());
    restored.restoreIdentity(archive);
    const auto& all = parameters();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const double value = archive.readDouble(all[i].key.c_str());
        if (!Details::inRange(all[i], value))
            throw Serialize::ArchiveError("equalizer setting out of range: " + all[i].key);
        setting(restored, int(i)) = value;
    }
    archive.endNode();
    *this = restored;
}

} // namespace Effect
