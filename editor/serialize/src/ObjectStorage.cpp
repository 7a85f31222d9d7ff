#include <Serialize/ObjectStorage.h>

namespace Serialize {

ObjectStorage::ObjectStorage() = default;

ObjectStorage::ObjectStorage(ObjectStorage&& other) noexcept = default;

ObjectStorage::~ObjectStorage() = default;

ISerializable* ObjectStorage::adopt(std::unique_ptr<ISerializable> object)
{
    if (!object)
        return nullptr;
    m_objects.push_back(std::move(object));
    return m_objects.back().get();
}

void ObjectStorage::releaseAll()
{
    // The new owners hold the raw pointers handed out by adopt.
    for (auto& object : m_objects)
        static_cast<void>(object.release());
    m_objects.clear();
}

} // namespace Serialize
