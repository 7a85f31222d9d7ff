#pragma once

#include <Serialize/ISerializable.h>

#include <functional>
#include <memory>
#include <string>

namespace Serialize {

// Types by archive name, so that object references come back as their own type.
class Registry {
public:
    using Factory = std::function<std::unique_ptr<ISerializable>()>;

    // Replaces an earlier factory of the same name. Thread-safe.
    static void registerType(const std::string& name, Factory factory);
    // Null when no type of that name is registered.
    static std::unique_ptr<ISerializable> create(const std::string& name);
};

// Registers T under name when a library is loaded: static Registration<T> r{"Name"};
template <class T>
struct Registration {
    explicit Registration(const char* name)
    {
        Registry::registerType(name, [] { return std::unique_ptr<ISerializable>(new T()); });
    }
};

} // namespace Serialize
