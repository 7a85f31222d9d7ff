#include <Serialize/Registry.h>

#include <mutex>
#include <shared_mutex>
#include <unordered_map>

namespace Serialize {

namespace {

struct Types {
    std::shared_mutex mutex;
    std::unordered_map<std::string, Registry::Factory> factories;
};

// Built on first use: registrations run from other libraries' static initialisers.
Types& types()
{
    static Types instance;
    return instance;
}

} // namespace

void Registry::registerType(const std::string& name, Factory factory)
{
    Types& t = types();
    std::unique_lock lock(t.mutex);
    t.factories[name] = std::move(factory);
}

std::unique_ptr<ISerializable> Registry::create(const std::string& name)
{
    Factory factory;
    {
        Types& t = types();
        std::shared_lock lock(t.mutex);
        const auto found = t.factories.find(name);
        if (found == t.factories.end())
            return nullptr;
        factory = found->second;
    }
    // Outside the lock: a constructor may itself use the registry.
    return factory ? factory() : nullptr;
}

} // namespace Serialize
