#pragma once

#include <PubSub/Object.h>
#include <Serialize/ISerializable.h>

#include <string>

namespace Effect {

// The base record of every effect.
class Object : public virtual Serialize::ISerializable, public virtual PubSub::Object {
public:
    Object(); // empty id and secondaryId
    Object(const std::string& id, const std::string& secondaryId);
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;
    ~Object() override;

    std::string name() const override; // "Effect"
    void save(Serialize::OutputArchive& archive) const override;
    void restore(Serialize::InputArchive& archive) override;

    std::string id;
    std::string secondaryId;

protected:
    // The two identity fields, for derived effects that write their own node.
    void saveIdentity(Serialize::OutputArchive& archive) const;
    void restoreIdentity(Serialize::InputArchive& archive);
};

} // namespace Effect
