#include "CollectionHelper.h"
#include "EditorServices.h"
#include "FetchedCollection.h"
#include "imports/UniqueName.h"

#include <Import/UserCollection.h>
#include <QDir>
#include <algorithm>
#include <functional>
#include <utility>

namespace Import {

namespace {

using Collection = EditorCollection::CollectionHelper<Import::Object>;

const char* const IntroCategory = "intros";

std::function<bool(const Import::Object*)> ofKind(Import::Object::Kind kind)
{
    return [kind](const Import::Object* item) { return item->kind == kind; };
}

bool isNamed(const Import::Object* item, const QString& name, Import::Object::Kind kind)
{
    return item && item->kind == kind && Translator::translate(item->id) == name;
}

// The first item of kind whose display name is name, or null.
template <class Items>
const Import::Object* findNamed(const Items& items, const QString& name, Import::Object::Kind kind)
{
    const auto found = std::find_if(
        items.begin(), items.end(), [&](const Import::Object* item) { return isNamed(item, name, kind); });
    return found == items.end() ? nullptr : *found;
}

} // namespace

UserCollection::UserCollection(const std::string& id, const std::string& category, const QString& storagePath)
    : m_storagePath(storagePath)
    , m_id(id)
    , m_category(category)
{
}

UserCollection::UserCollection(const UserCollection& other) = default;

UserCollection::UserCollection(UserCollection&& other)
    : m_storagePath(std::exchange(other.m_storagePath, QString()))
    , m_id(other.m_id)
    , m_category(other.m_category)
{
}

UserCollection::~UserCollection() = default;

std::string UserCollection::id() const
{
    return m_id;
}

std::string UserCollection::category() const
{
    return m_category;
}

QString UserCollection::storagePath() const
{
    return m_storagePath;
}

void UserCollection::setStoragePath(const QString& path)
{
    m_storagePath = path;
}

std::unique_ptr<UserCollection> UserCollection::makeIntroCollection()
{
    return std::make_unique<UserCollection>(
        EditorCollection::CollectionID::INTROS, IntroCategory, Settings::userIntrosPath());
}

bool UserCollection::nameAvailable(const QString& name, Import::Object::Kind kind) const
{
    return nextName(name, kind) == name;
}

QString UserCollection::nextName(const QString& name, Import::Object::Kind kind) const
{
    Collection collection(m_id);
    return Details::uniqueName(collection, name, ofKind(kind));
}

bool UserCollection::itemRemovable(const QString& name, Import::Object::Kind kind) const
{
    Collection collection(m_id);
    const std::set<const Import::Object*> removable
        = EditorCollection::fetchCollection(collection).removableItems;
    return findNamed(removable, name, kind) != nullptr;
}

} // namespace Import
