#include <Model/Translator.h>

#include <mutex>
#include <shared_mutex>
#include <unordered_map>

namespace {

struct Translations {
    std::shared_mutex mutex;
    std::unordered_map<std::string, QString> texts;
};

Translations& translations()
{
    static Translations instance;
    return instance;
}

} // namespace

Types::String Translator::translate(const std::string& id)
{
    Translations& t = translations();
    {
        std::shared_lock lock(t.mutex);
        const auto found = t.texts.find(id);
        if (found != t.texts.end())
            return found->second;
    }
    return QString::fromStdString(id);
}

void Translator::addTranslation(const std::string& id, const QString& text)
{
    Translations& t = translations();
    std::unique_lock lock(t.mutex);
    t.texts[id] = text;
}

void Translator::removeTranslation(const std::string& id)
{
    Translations& t = translations();
    std::unique_lock lock(t.mutex);
    t.texts.erase(id);
}

void Translator::clear()
{
    Translations& t = translations();
    std::unique_lock lock(t.mutex);
    t.texts.clear();
}
