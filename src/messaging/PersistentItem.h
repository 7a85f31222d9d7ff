#pragma once

// The stored record that wraps one item, its requests and notifications, and the
// helper through which the library stores, loads and removes records.

#include "BusClient.h"
#include "LoadedRecords.h"
#include <Model/RecordNames.h>
#include <Model/UniqueId.h>
#include <Serialize/Archive.h>
#include <Serialize/ISerializable.h>
#include <Types/Image.h>

#include <QMap>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <typeinfo>

namespace Effect {
class Object;
}
namespace Import {
class Object;
}
namespace Overlay {
class Preset;
}

namespace EditorCollection {

// Whether text comes back unchanged from the UTF-8 that records hold; a name that
// would not (a lone surrogate) is refused rather than stored as another name.
inline bool survivesUtf8(const QString& text)
{
    return QString::fromStdString(text.toStdString()) == text;
}

// One stored item with what the collection browser needs about it. Never owns item.
template <class T>
class PersistentItem : public Serialize::ISerializable, public virtual PubSub::Object {
public:
    PersistentItem()
        : uniqueId(nextUniqueId())
    {
    }
    PersistentItem(const PersistentItem&) = default;
    PersistentItem(PersistentItem&&) = default;
    PersistentItem& operator=(const PersistentItem&) = default;
    PersistentItem& operator=(PersistentItem&&) = default;
    ~PersistentItem() override = default;

    // The record's node name in archives; one per item type, from the model library.
    static const char* NameInArchive();

    std::string name() const override { return NameInArchive(); }
    void save(Serialize::OutputArchive& archive) const override;
    // Throws std::bad_cast when the archived item is not a T, Serialize::ArchiveError
    // on damage; the record is unchanged then and nothing is leaked. On success the
    // restored item belongs to whoever ends up with the record.
    void restore(Serialize::InputArchive& archive) override;

    std::string uniqueId;
    const T* item = nullptr;
    std::shared_ptr<const Types::Image> preview;
    std::set<std::string> categories;
    std::string collectionId;
    std::map<std::string, std::string> customStrings;
};

// The names of the three records this library stores, as the model library names them.
template <>
inline const char* PersistentItem<Effect::Object>::NameInArchive()
{
    return RecordNames::Effect;
}
template <>
inline const char* PersistentItem<Import::Object>::NameInArchive()
{
    return RecordNames::Import;
}
template <>
inline const char* PersistentItem<Overlay::Preset>::NameInArchive()
{
    return RecordNames::Overlay;
}

template <class T>
void PersistentItem<T>::save(Serialize::OutputArchive& archive) const
{
    archive.beginNode(NameInArchive());
    archive.writeString("uniqueId", uniqueId);
    const Serialize::ISerializable* object = item;
    archive.writeObject("item", object);
    archive.writeImage("preview", preview);

    archive.beginSequence("categories", static_cast<std::int32_t>(categories.size()));
    std::int32_t number = 0;
    for (const std::string& category : categories) {
        archive.beginElement(++number);
        archive.writeString("Data", category);
        archive.endElement();
    }
    archive.endSequence();

    archive.writeString("collectionId", collectionId);

    archive.beginSequence("customStrings", static_cast<std::int32_t>(customStrings.size()));
    number = 0;
    for (const auto& [key, value] : customStrings) {
        archive.beginElement(++number);
        archive.writeString("Key", key);
        archive.writeString("Value", value);
        archive.endElement();
    }
    archive.endSequence();
    archive.endNode();
}

template <class T>
void PersistentItem<T>::restore(Serialize::InputArchive& archive)
{
    // Read into locals first, so that a failure part-way leaves the record as it
    // was and the restored item is deleted rather than leaked.
    archive.beginNode(NameInArchive());
    std::string restoredId = archive.readString("uniqueId");
    std::unique_ptr<Serialize::ISerializable> object = archive.readObject("item");
    const T* restoredItem = object ? &dynamic_cast<const T&>(*object) : nullptr;
    std::shared_ptr<const Types::Image> restoredPreview = archive.readImage("preview");

    std::set<std::string> restoredCategories;
    const std::int32_t categoryCount = archive.beginSequence("categories");
    for (std::int32_t number = 1; number <= categoryCount; ++number) {
        archive.beginElement(number);
        restoredCategories.insert(archive.readString("Data"));
        archive.endElement();
    }
    archive.endSequence();

    std::string restoredCollectionId = archive.readString("collectionId");

    std::map<std::string, std::string> restoredStrings;
    const std::int32_t stringCount = archive.beginSequence("customStrings");
    for (std::int32_t number = 1; number <= stringCount; ++number) {
        archive.beginElement(number);
        std::string key = archive.readString("Key");
        restoredStrings[std::move(key)] = archive.readString("Value");
        archive.endElement();
    }
    archive.endSequence();
    archive.endNode();

    uniqueId = std::move(restoredId);
    item = restoredItem;
    object.release();
    preview = std::move(restoredPreview);
    categories = std::move(restoredCategories);
    collectionId = std::move(restoredCollectionId);
    customStrings = std::move(restoredStrings);
}

// Asks the persistence service to write object at path; answered by a store notification.
template <class T>
class StorePersistentItemRequest : public Message::Types::Request<PersistentItem<T>> {
public:
    std::string path;
};

// Asks the persistence service to read what lies at path (a file or a folder);
// object is only the sender identity the answer comes back about.
template <class T>
class LoadPersistentItemRequest : public Message::Types::Request<PersistentItem<T>> {
public:
    using Filter = std::function<bool(const PersistentItem<T>&)>;

    LoadPersistentItemRequest() = default;
    LoadPersistentItemRequest(
        const PersistentItem<T>* object, std::string path, std::string selector, Filter&& filter)
        : Message::Types::Request<PersistentItem<T>>(object)
        , path(std::move(path))
        , selector(std::move(selector))
        , filter(std::move(filter))
    {
    }

    std::string path;
    std::string selector;
    Filter filter;
};

// Asks the persistence service to delete the stored record of object; no answer.
template <class T>
class RemovePersistentItemRequest : public Message::Types::Request<T> {
};

// Part of the helper's publisher list; never sent.
template <class T>
class UpgradePersistentItemRequest : public Message::Types::Request<PersistentItem<T>> {
};

template <class T>
class StorePersistentItemNotification : public Message::Types::Notification<PersistentItem<T>> {
public:
    bool success = false;
};

// The records read; each item was created for this answer and belongs to whoever
// ends up with the record. The persistence service offers them with the answer
// (LoadedRecords<T>::Offer under the address of items) until the requester claims them.
template <class T>
class LoadPersistentItemNotification : public Message::Types::Notification<PersistentItem<T>> {
public:
    std::deque<PersistentItem<T>> items;
};

// Short-lived client of the persistence service: subscribes to the record it sends
// about, publishes, and keeps the answer that arrives nested inside the publish.
template <class T>
class PersistentItemHelper
    : private PubSub::Publisher<LoadPersistentItemRequest<T>, StorePersistentItemRequest<T>,
          RemovePersistentItemRequest<T>, UpgradePersistentItemRequest<T>>,
      private PubSub::Subscriber<StorePersistentItemNotification<T>, LoadPersistentItemNotification<T>> {
public:
    PersistentItemHelper() = default;
    ~PersistentItemHelper() override = default;

    // True only when a store notification for record reported success.
    bool store(const PersistentItem<T>* record, const std::string& path);
    // The records of this load's answer with their items, which are the caller's now;
    // empty when nobody answered. The answer goes only there: loadedItems stays as it
    // was. Should the request throw, the items this helper received are freed.
    LoadedRecords<T> loadRecords(const std::string& path);
    // As loadRecords, returned as plain records whose items the caller must free and
    // kept in loadedItems; when nobody answered, the records of the last answer this
    // helper received (none for a fresh one).
    std::deque<PersistentItem<T>> load(const std::string& path);
    // Asks for the stored record of item to be deleted; waits for nothing.
    void remove(const T* item);

    void handle(const StorePersistentItemNotification<T>& notification) override
    {
        storeResults[notification.object] = notification.success;
    }
    void handle(const LoadPersistentItemNotification<T>& notification) override
    {
        if (&notification.items == &loadedItems)
            return;
        if (m_receiving) {
            *m_receiving = LoadedRecords<T>::claim(&notification.items, notification.items);
            m_answered = true;
            return;
        }
        // Copy first: should copying fail, the sender still owns every item.
        std::deque<PersistentItem<T>> copy(notification.items);
        loadedItems.swap(copy);
    }

    QMap<const PersistentItem<T>*, bool> storeResults;
    std::deque<PersistentItem<T>> loadedItems;

private:
    // Where the answer of the load in progress goes; null outside a load.
    LoadedRecords<T>* m_receiving = nullptr;
    bool m_answered = false;
};

template <class T>
bool PersistentItemHelper<T>::store(const PersistentItem<T>* record, const std::string& path)
{
    this->subscribe(record);
    {
        StorePersistentItemRequest<T> request;
        request.object = record;
        request.path = path;
        this->publish(request);
    }
    this->unsubscribe(record);

    const bool stored = storeResults[record];
    storeResults.remove(record);
    return stored;
}

template <class T>
LoadedRecords<T> PersistentItemHelper<T>::loadRecords(const std::string& path)
{
    // While the request is delivered, the answer is received into `received`, which
    // frees it should an exception leave before it is returned.
    struct Receiving {
        Receiving(PersistentItemHelper& helper, LoadedRecords<T>& received)
            : helper(helper)
        {
            helper.m_receiving = &received;
            helper.m_answered = false;
        }
        ~Receiving() { helper.m_receiving = nullptr; }

        PersistentItemHelper& helper;
    };

    LoadedRecords<T> received;
    const PersistentItem<T> probe;
    {
        const Receiving receiving(*this, received);
        this->subscribe(&probe);
        LoadPersistentItemRequest<T> request;
        request.object = &probe;
        request.path = path;
        this->publish(request);
    }
    this->unsubscribe(&probe);
    return received;
}

template <class T>
std::deque<PersistentItem<T>> PersistentItemHelper<T>::load(const std::string& path)
{
    LoadedRecords<T> received = loadRecords(path);
    if (m_answered)
        loadedItems.assign(received.begin(), received.end());
    std::deque<PersistentItem<T>> result(loadedItems.begin(), loadedItems.end());
    static_cast<void>(std::move(received).release());
    return result;
}

template <class T>
void PersistentItemHelper<T>::remove(const T* item)
{
    RemovePersistentItemRequest<T> request;
    request.object = item;
    this->publish(request);
}

} // namespace EditorCollection
