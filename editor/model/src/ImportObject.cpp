#include <Model/ImportObject.h>
#include <Serialize/Archive.h>
#include <Serialize/Registry.h>

namespace Import {

namespace {

const Serialize::Registration<Object> registration { "Import" };

} // namespace

Object::Object() = default;

Object::~Object() = default;

std::string Object::name() const
{
    return "Import";
}

void Object::save(Serialize::OutputArchive& archive) const
{
    archive.beginNode("Import");
    archive.writeString("id", id);
    archive.writeString("secondaryId", secondaryId);
    archive.writePath("path", path);
    archive.writeInt32("kind", kind);
    archive.endNode();
}

void Object::restore(Serialize::InputArchive& archive)
{
    Object restored;
    archive.beginNode("Import");
    restored.id = archive.readString("id");
    restored.secondaryId = archive.readString("secondaryId");
    restored.path = archive.readPath("path");
    const std::int32_t restoredKind = archive.readInt32("kind");
    if (restoredKind < File || restoredKind > Intro)
        throw Serialize::ArchiveError("unknown import kind");
    restored.kind = Kind(restoredKind);
    archive.endNode();
    *this = std::move(restored);
}

} // namespace Import
