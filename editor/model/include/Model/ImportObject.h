#pragma once

#include <PubSub/Object.h>
#include <Serialize/ISerializable.h>

#include <cstdint>
#include <string>

namespace Import {

// One item of an import collection: a media file, or an intro (a saved timeline).
class Object : public virtual Serialize::ISerializable, public virtual PubSub::Object {
public:
    enum Kind : std::int32_t {
        File = 0,
        Video = 1,
        Audio = 2,
        Picture = 3,
        Intro = 4,
    };

    Object();
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;
    ~Object() override;

    std::string name() const override; // "Import"
    void save(Serialize::OutputArchive& archive) const override;
    void restore(Serialize::InputArchive& archive) override;

    std::string id;
    std::string secondaryId;
    std::string path;
    Kind kind = File;
};

} // namespace Import
