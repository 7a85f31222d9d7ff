#include <Model/Timeline.h>
#include <Serialize/Archive.h>
#include <Serialize/Registry.h>

#include <algorithm>
#include <limits>

namespace Timeline {

namespace {

const Serialize::Registration<Object> registration { "Timeline" };

Clip readClip(Serialize::InputArchive& archive)
{
    Clip clip;
    clip.sourcePath = archive.readString("sourcePath");
    clip.inPoint = archive.readInt64("inPoint");
    clip.outPoint = archive.readInt64("outPoint");
    if (clip.inPoint < 0 || clip.outPoint < clip.inPoint)
        throw Serialize::ArchiveError("clip points out of order");
    return clip;
}

} // namespace

bool Clip::operator==(const Clip& other) const
{
    return sourcePath == other.sourcePath && inPoint == other.inPoint && outPoint == other.outPoint;
}

bool Track::operator==(const Track& other) const
{
    return name == other.name && clips == other.clips;
}

Object::Object() = default;

Object::~Object() = default;

std::string Object::name() const
{
    return "Timeline";
}

void Object::save(Serialize::OutputArchive& archive) const
{
    archive.beginNode("Timeline");
    archive.beginSequence("tracks", std::int32_t(tracks.size()));
    std::int32_t trackNumber = 0;
    for (const Track& track : tracks) {
        archive.beginElement(++trackNumber);
        archive.writeString("name", track.name);
        archive.beginSequence("clips", std::int32_t(track.clips.size()));
        std::int32_t clipNumber = 0;
        for (const Clip& clip : track.clips) {
            archive.beginElement(++clipNumber);
            archive.writeString("sourcePath", clip.sourcePath);
            archive.writeInt64("inPoint", clip.inPoint);
            archive.writeInt64("outPoint", clip.outPoint);
            archive.endElement();
        }
        archive.endSequence();
        archive.endElement();
    }
    archive.endSequence();
    archive.endNode();
}

void Object::restore(Serialize::InputArchive& archive)
{
    // No reserve from the counts: a damaged count must not decide how much we allocate.
    std::vector<Track> restored;
    archive.beginNode("Timeline");
    const std::int32_t trackCount = archive.beginSequence("tracks");
    for (std::int32_t t = 1; t <= trackCount; ++t) {
        archive.beginElement(t);
        Track track;
        track.name = archive.readString("name");
        const std::int32_t clipCount = archive.beginSequence("clips");
        for (std::int32_t c = 1; c <= clipCount; ++c) {
            archive.beginElement(c);
            track.clips.push_back(readClip(archive));
            archive.endElement();
        }
        archive.endSequence();
        archive.endElement();
        restored.push_back(std::move(track));
    }
    archive.endSequence();
    archive.endNode();
    tracks = std::move(restored);
}

std::int64_t Object::duration() const
{
    constexpr std::int64_t maximum = std::numeric_limits<std::int64_t>::max();
    std::int64_t longest = 0;
    for (const Track& track : tracks) {
        std::int64_t length = 0;
        for (const Clip& clip : track.clips) {
            // Unsigned: the difference of any two points fits, their signed difference may not.
            const std::uint64_t clipLength = clip.outPoint > clip.inPoint
                ? std::uint64_t(clip.outPoint) - std::uint64_t(clip.inPoint)
                : 0;
            length
                = clipLength > std::uint64_t(maximum - length) ? maximum : length + std::int64_t(clipLength);
        }
        longest = std::max(longest, length);
    }
    return longest;
}

} // namespace Timeline
