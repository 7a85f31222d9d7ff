#include <Model/OverlayPreset.h>
#include <Serialize/Archive.h>
#include <Serialize/Registry.h>

namespace Overlay {

namespace {

const Serialize::Registration<Preset> registration { "OverlayPreset" };

std::uint32_t readColor(Serialize::InputArchive& archive, const char* name)
{
    const std::int64_t value = archive.readInt64(name);
    if (value < 0 || value > 0xffffffffLL)
        throw Serialize::ArchiveError(std::string("colour out of range: ") + name);
    return std::uint32_t(value);
}

} // namespace

Preset::Preset() = default;

Preset::~Preset() = default;

std::string Preset::name() const
{
    return "OverlayPreset";
}

void Preset::save(Serialize::OutputArchive& archive) const
{
    archive.beginNode("OverlayPreset");
    archive.writeString("id", id);
    archive.writeString("secondaryId", secondaryId);
    archive.writeString("text", text);
    archive.writeString("fontFamily", fontFamily);
    archive.writeInt32("fontSize", fontSize);
    archive.writeInt64("textColor", textColor);
    archive.writeInt64("backgroundColor", backgroundColor);
    archive.endNode();
}

void Preset::restore(Serialize::InputArchive& archive)
{
    Preset restored;
    archive.beginNode("OverlayPreset");
    restored.id = archive.readString("id");
    restored.secondaryId = archive.readString("secondaryId");
    restored.text = archive.readString("text");
    restored.fontFamily = archive.readString("fontFamily");
    restored.fontSize = archive.readInt32("fontSize");
    restored.textColor = readColor(archive, "textColor");
    restored.backgroundColor = readColor(archive, "backgroundColor");
    archive.endNode();
    *this = std::move(restored);
}

} // namespace Overlay
