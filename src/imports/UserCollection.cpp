#include "CollectionHelper.h"
#include "EditorServices.h"
#include "FetchedCollection.h"
#include "ItemKinds.h"
#include "ItemView.h"
#include "LoadedRecords.h"
#include "PersistentItem.h"
#include "RecordEditing.h"
#include "StoredRecord.h"
#include "imports/UniqueName.h"
#include <Import/UserCollection.h>
#include <Import/UserItems.h>

#include <QDir>
#include <QUuid>

#include <algorithm>
#include <exception>
#include <functional>
#include <utility>

namespace Import {

namespace {

using Collection = EditorCollection::CollectionHelper<Import::Object>;
using Container = EditorCollection::Container<Import::Object>;
using Record = EditorCollection::PersistentItem<Import::Object>;
using EditorCollection::registerLoaded;

const char* const IntroCategory = "intros";
const char* const IntroBundleName = "intro.bundle";

QString pathIn(const QString& folder, const QString& name)
{
    return QDir(folder).filePath(name);
}

// A record directly in the storage folder, under a name its listing reads: anywhere
// else it would not come back with the collection.
bool isPlainFileName(const QString& fileName)
{
    return !fileName.isEmpty() && !fileName.startsWith(QLatin1Char('.'))
        && !fileName.contains(QLatin1Char('/')) && !fileName.contains(QLatin1Char('\\'));
}

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

// A record filed under the collection and its one category.
Record collectionRecord(const UserCollection& collection, const Import::Object* item,
    const std::shared_ptr<const Types::Image>& preview)
{
    Record record;
    record.item = item;
    record.collectionId = collection.id();
    record.categories = { collection.category() };
    record.preview = preview;
    return record;
}

// The intro item: its id is the uuid text, the key of its display name.
Import::Object introItem(const QString& uuid, const QString& bundlePath)
{
    Import::Object intro;
    intro.id = uuid.toStdString();
    intro.secondaryId = intro.id;
    intro.kind = Import::Object::Intro;
    intro.path = bundlePath.toStdString();
    return intro;
}

bool writeBundle(const Timeline::Object* timeline, const QString& bundlePath)
{
    Project::Content content {};
    content.timeline = timeline;
    return Project::Writer(bundlePath, Project::BundleBackend::Xml).write(&content);
}

// The collection as it is now; the service owns it and keeps it alive during the
// call. Non-const only because views take containers so; this one is only observed.
Container* currentContainer(const std::string& collectionId)
{
    Collection collection(collectionId);
    return const_cast<Container*>(&EditorCollection::fetchCollection(collection));
}

void removeStoredRecord(const Import::Object* item)
{
    EditorCollection::PersistentItemHelper<Import::Object>().remove(item);
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

namespace {

// Stores the record of an import at fileName in the collection's folder, reads it
// back and registers it; name, when given, is written as its display name.
const Import::Object* storeImport(const UserCollection& collection, const Import::Object* item,
    const QString& fileName, const std::shared_ptr<const Types::Image>& preview, const QString& uniqueId,
    const QString& name)
{
    if (!item || !isPlainFileName(fileName))
        return nullptr;
    const QString path = pathIn(collection.storagePath(), fileName);

    Record record = collectionRecord(collection, item, preview);
    record.uniqueId = uniqueId.toStdString();
    if (!name.isNull())
        EditorCollection::setDisplayName(record, name);
    return EditorCollection::storeAndRegister(record, path, [&collection](auto& stored) {
        Collection helper(collection.id());
        helper.getCollection();
        return registerLoaded(helper, stored, 0);
    });
}

} // namespace

const Import::Object* UserCollection::saveUserImport(const Import::Object* item, const QString& fileName,
    const std::shared_ptr<const Types::Image>& preview, const QString& uniqueId)
{
    return storeImport(*this, item, fileName, preview, uniqueId, QString());
}

const Import::Object* saveUserItem(UserCollection& collection, const Import::Object* item,
    const QString& name, const QString& fileName, const std::shared_ptr<const Types::Image>& preview,
    const QString& uniqueId)
{
    if (name.isEmpty() || !EditorCollection::survivesUtf8(name))
        return nullptr;
    return storeImport(collection, item, fileName, preview, uniqueId, name);
}

const Import::Object* UserCollection::saveUserIntro(
    const Timeline::Object* timeline, const QString& name, const std::shared_ptr<const Types::Image>& preview)
{
    if (!timeline || !EditorCollection::survivesUtf8(name))
        return nullptr;
    const QString uuid = QUuid::createUuid().toString();
    const QString folder = pathIn(m_storagePath, uuid);
    const QString bundlePath = pathIn(folder, IntroBundleName);

    // An intro without its timeline is never stored.
    if (!writeBundle(timeline, bundlePath))
        return nullptr;
    // A throw before the record is stored takes the bundle back, so that no folder is
    // left that nothing lists; a store that was refused keeps it, as callers expect.
    struct TakeBack {
        const QString& folder;
        const int throwing = std::uncaught_exceptions();
        ~TakeBack()
        {
            const QDir dir(folder);
            if (std::uncaught_exceptions() > throwing
                && dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                    == QStringList { IntroBundleName })
                QDir(folder).removeRecursively();
        }
    } takeBack { folder };
    const Import::Object intro = introItem(uuid, bundlePath);

    Collection collection(m_id);
    collection.getCollection();

    Record record = collectionRecord(*this, &intro, preview);
    record.customStrings[uuid.toStdString()] = name.toStdString();
    return EditorCollection::storeAndRegister(
        record, folder, [&collection](auto& stored) { return registerLoaded(collection, stored, 0); });
}

bool UserCollection::removeUserImport(const QString& name, Import::Object::Kind kind)
{
    Container* const container = currentContainer(m_id);
    const std::deque<const Import::Object*> items = container->items;
    const Import::Object* const found = findNamed(items, name, kind);
    if (!found)
        return false;

    removeStoredRecord(found);
    EditorCollection::eraseFrom(container, found);
    return true;
}

void UserCollection::locateItem(const Import::Object* item)
{
    Collection collection(m_id);
    collection.locateItem(item);
}

void UserCollection::locateCategory(bool flag)
{
    Collection collection(m_id);
    collection.locateCategory(m_category, flag);
}

} // namespace Import
