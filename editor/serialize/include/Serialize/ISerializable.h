#pragma once

#include <string>

namespace Serialize {

class OutputArchive;
class InputArchive;

// Base of every record that is archived or cloned. name() is the class name
// under which the type is registered (Serialize::Registry) and written.
class ISerializable {
public:
    ISerializable() = default;
    ISerializable(const ISerializable&) = default;
    ISerializable& operator=(const ISerializable&) = default;
    virtual ~ISerializable();

    virtual std::string name() const = 0;
    virtual void save(OutputArchive& archive) const = 0;
    // Reads what save wrote; throws Serialize::ArchiveError on a damaged document.
    virtual void restore(InputArchive& archive) = 0;
};

} // namespace Serialize
