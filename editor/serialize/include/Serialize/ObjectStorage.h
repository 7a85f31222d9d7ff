#pragma once

#include <Serialize/ISerializable.h>

#include <memory>
#include <vector>

namespace Serialize {

// Owns the objects created while cloning until releaseAll() hands them over.
class ObjectStorage {
public:
    ObjectStorage();
    ObjectStorage(ObjectStorage&& other) noexcept;
    ObjectStorage(const ObjectStorage&) = delete;
    ObjectStorage& operator=(const ObjectStorage&) = delete;
    ~ObjectStorage(); // deletes every object still owned

    ISerializable* adopt(std::unique_ptr<ISerializable> object);
    // Gives up ownership of everything held: destroying the storage deletes nothing.
    void releaseAll();
    std::size_t size() const { return m_objects.size(); }

private:
    std::vector<std::unique_ptr<ISerializable>> m_objects;
};

} // namespace Serialize
