#pragma once

// The collection requests, their one answer, and the short-lived helper through
// which the library fetches collections, registers stored items and asks the
// collection browser to show something.

#include "BusClient.h"
#include "PersistentItem.h"
#include <Model/EffectObject.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>

#include <cstdint>
#include <string>

#if defined(__GNUC__) || defined(__clang__)
// One placeholder per item type in the whole process, even when several shared
// libraries instantiate the helper.
#define USERCOLLECTION_PROCESS_WIDE __attribute__((visibility("default")))
#else
#define USERCOLLECTION_PROCESS_WIDE
#endif

namespace EditorCollection {

template <class T>
class Container;

// The registration mode of every registration this library sends.
constexpr std::int32_t RegisterMode = 1;

// Answered by a GetCollectionNotification sent while the request is handled.
template <class T>
class GetCollectionRequest : public Message::Types::Request<T> {
public:
    std::string collectionId;
};

// object is persistentItem->item; the collection is the record's collectionId.
template <class T>
class RegisterItemRequest : public Message::Types::Request<T> {
public:
    const PersistentItem<T>* persistentItem = nullptr;
    std::int32_t registerMode = 0;
};

template <class T>
class LocateCollectionRequest : public Message::Types::Request<T> {
public:
    std::string collectionId;
};

// object is the item to show (may be null).
template <class T>
class LocateItemRequest : public Message::Types::Request<T> {
};

template <class T>
class LocateCategoryRequest : public Message::Types::Request<T> {
public:
    std::string collectionId;
    std::string categoryId;
    bool flag = false;
};

// Named in the helper's publisher list, never sent by this library.
template <class T>
class LocateItemsRequest : public Message::Types::Request<T> {
};
template <class T>
class RegisterCategoriesRequest : public Message::Types::Request<T> {
};
template <class T>
class RegisterCategoryDescriptionRequest : public Message::Types::Request<T> {
};

// The collection service's answer: the collection's container, which it owns and
// keeps alive while the asking call runs.
template <class T>
class GetCollectionNotification : public Message::Types::Notification<T> {
public:
    const Container<T>* collection = nullptr;
};

namespace Details {

// The object of collection-level requests: one per item type, created on first use,
// never changed.
template <class T>
USERCOLLECTION_PROCESS_WIDE const T& placeholderItem()
{
    static const T item;
    return item;
}

template <>
inline USERCOLLECTION_PROCESS_WIDE const Effect::Object& placeholderItem<Effect::Object>()
{
    static const Effect::Object item { std::string(), std::string() };
    return item;
}

} // namespace Details

// Lives inside one call: construct for a collection id, call operations, read
// collection only after getCollection(), destroy before returning.
template <class T>
class CollectionHelper
    : private PubSub::Publisher<GetCollectionRequest<T>, RegisterItemRequest<T>, LocateCollectionRequest<T>,
          LocateItemRequest<T>, LocateItemsRequest<T>, LocateCategoryRequest<T>, RegisterCategoriesRequest<T>,
          RegisterCategoryDescriptionRequest<T>>,
      private PubSub::Subscriber<GetCollectionNotification<T>> {
public:
    explicit CollectionHelper(const std::string& collectionId)
        : collectionId(collectionId)
    {
    }
    ~CollectionHelper() override = default;

    // Afterwards collection holds the delivered container, or what it held before
    // when nobody answered (null for a fresh helper).
    CollectionHelper& getCollection();
    void registerItem(const PersistentItem<T>* record, int registerMode);
    // Shows the collection, then item (null is passed on as null).
    void locateItem(const T* item);
    // Shows the collection, then the category; flag is passed through.
    void locateCategory(const std::string& categoryId, bool flag);

    void handle(const GetCollectionNotification<T>& notification) override
    {
        collection = notification.collection;
    }

    const std::string collectionId;
    const Container<T>* collection = nullptr;

private:
    void locateCollection();
};

template <class T>
CollectionHelper<T>& CollectionHelper<T>::getCollection()
{
    this->template subscribeAll<T>();
    {
        GetCollectionRequest<T> request;
        request.object = &Details::placeholderItem<T>();
        request.collectionId = collectionId;
        this->publish(request);
    }
    this->template unsubscribeAll<T>();
    return *this;
}

template <class T>
void CollectionHelper<T>::registerItem(const PersistentItem<T>* record, int registerMode)
{
    RegisterItemRequest<T> request;
    request.object = record ? record->item : nullptr;
    request.persistentItem = record;
    request.registerMode = registerMode;
    this->publish(request);
}

template <class T>
void CollectionHelper<T>::locateItem(const T* item)
{
    locateCollection();
    LocateItemRequest<T> request;
    request.object = item;
    this->publish(request);
}

template <class T>
void CollectionHelper<T>::locateCategory(const std::string& categoryId, bool flag)
{
    locateCollection();
    LocateCategoryRequest<T> request;
    request.object = &Details::placeholderItem<T>();
    request.collectionId = collectionId;
    request.categoryId = categoryId;
    request.flag = flag;
    this->publish(request);
}

template <class T>
void CollectionHelper<T>::locateCollection()
{
    LocateCollectionRequest<T> request;
    request.object = &Details::placeholderItem<T>();
    request.collectionId = collectionId;
    this->publish(request);
}

} // namespace EditorCollection
