#pragma once

#include <PubSub/Object.h>
#include <Serialize/ISerializable.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Timeline {

// A piece of a source file placed on a track; points in milliseconds of the source.
struct Clip {
    std::string sourcePath;
    std::int64_t inPoint = 0;
    std::int64_t outPoint = 0;

    bool operator==(const Clip& other) const;
};

struct Track {
    std::string name;
    std::vector<Clip> clips;

    bool operator==(const Track& other) const;
};

// A small timeline: tracks of clips.
class Object : public virtual Serialize::ISerializable, public virtual PubSub::Object {
public:
    Object();
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;
    ~Object() override;

    std::string name() const override; // "Timeline"
    void save(Serialize::OutputArchive& archive) const override;
    void restore(Serialize::InputArchive& archive) override;

    // The longest track's summed clip lengths.
    std::int64_t duration() const;

    std::vector<Track> tracks;
};

} // namespace Timeline
