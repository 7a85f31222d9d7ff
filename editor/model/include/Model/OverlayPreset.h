#pragma once

#include <PubSub/Object.h>
#include <Serialize/ISerializable.h>

#include <cstdint>
#include <string>

namespace Overlay {

// A title preset: the text and how it is drawn.
class Preset : public virtual Serialize::ISerializable, public virtual PubSub::Object {
public:
    Preset();
    Preset(const Preset&) = default;
    Preset& operator=(const Preset&) = default;
    ~Preset() override;

    std::string name() const override; // "OverlayPreset"
    void save(Serialize::OutputArchive& archive) const override;
    void restore(Serialize::InputArchive& archive) override;

    std::string id;
    std::string secondaryId;
    std::string text;
    std::string fontFamily = "Sans";
    std::int32_t fontSize = 48;
    std::uint32_t textColor = 0xffffffffu; // ARGB
    std::uint32_t backgroundColor = 0x00000000u; // ARGB
};

} // namespace Overlay
