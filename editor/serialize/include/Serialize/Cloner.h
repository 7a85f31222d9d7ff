#pragma once

#include <Serialize/ObjectStorage.h>

namespace Serialize {

// Deep copies through the archive: the copy is restored from what the source saves,
// so it is of the source's registered type and shares nothing with it.
class Cloner {
public:
    Cloner();
    ~Cloner();

    // The copy, created in and owned by storage; null for a null object. Throws
    // ArchiveError when the object's type is not registered.
    ISerializable* cloneImpl(const ISerializable* object, ObjectStorage& storage);
};

} // namespace Serialize
