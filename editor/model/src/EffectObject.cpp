#include <Model/EffectObject.h>
#include <Serialize/Archive.h>
#include <Serialize/Registry.h>

namespace Effect {

namespace {

const Serialize::Registration<Object> registration { "Effect" };

} // namespace

Object::Object()
    : Object(std::string(), std::string())
{
}

Object::Object(const std::string& id, const std::string& secondaryId)
    : id(id)
    , secondaryId(secondaryId)
{
}

Object::~Object() = default;

std::string Object::name() const
{
    return "Effect";
}

void Object::save(Serialize::OutputArchive& archive) const
{
    archive.beginNode("Effect");
    saveIdentity(archive);
    archive.endNode();
}

void Object::restore(Serialize::InputArchive& archive)
{
    // Into a copy, so that damage after the identity leaves this object as it was.
    Object restored;
    archive.beginNode("Effect");
    restored.restoreIdentity(archive);
    archive.endNode();
    id = std::move(restored.id);
    secondaryId = std::move(restored.secondaryId);
}

void Object::saveIdentity(Serialize::OutputArchive& archive) const
{
    archive.writeString("id", id);
    archive.writeString("secondaryId", secondaryId);
}

void Object::restoreIdentity(Serialize::InputArchive& archive)
{
    std::string restoredId = archive.readString("id");
    secondaryId = archive.readString("secondaryId");
    id = std::move(restoredId);
}

} // namespace Effect
