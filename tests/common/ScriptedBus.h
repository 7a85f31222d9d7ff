#pragma once

#include <BusSpy.h>
#include <CollectionHelper.h>
#include <ContainerView.h>
#include <LoadedRecords.h>
#include <Model/Translator.h>
#include <Records.h>

#include <deque>

namespace Testing {

// The answers of the services, published nested in the request as they do.
template <class T>
void answerStore(const EditorCollection::StorePersistentItemRequest<T>& request, bool success)
{
    EditorCollection::StorePersistentItemNotification<T> answer;
    answer.object = request.object;
    answer.success = success;
    PubSub::publish(answer);
}

template <class T>
void answerLoad(const EditorCollection::LoadPersistentItemRequest<T>& request,
    std::deque<EditorCollection::PersistentItem<T>> items)
{
    EditorCollection::LoadPersistentItemNotification<T> answer;
    answer.object = request.object;
    answer.items = std::move(items);
    PubSub::publish(answer);
}

// As answerLoad, by a service that made the items for this answer: it offers them,
// and frees what the requester does not claim.
template <class T>
void answerLoadHandingOver(const EditorCollection::LoadPersistentItemRequest<T>& request,
    std::deque<EditorCollection::PersistentItem<T>> items)
{
    EditorCollection::LoadedRecords<T> made(items);
    EditorCollection::LoadPersistentItemNotification<T> answer;
    answer.object = request.object;
    answer.items = std::move(items);
    const typename EditorCollection::LoadedRecords<T>::Offer offer(made, &answer.items);
    PubSub::publish(answer);
}

template <class T>
void answerCollection(const EditorCollection::GetCollectionRequest<T>& request,
    const EditorCollection::Container<T>* collection)
{
    EditorCollection::GetCollectionNotification<T> answer;
    answer.object = request.object;
    answer.collection = collection;
    PubSub::publish(answer);
}

// How many items a scripted service made for a read-back are alive: each must end
// with an owner (the caller or the collection) or be deleted.
inline int liveReadBacks = 0;

template <class U>
class ReadBack : public U {
public:
    explicit ReadBack(const U& value)
        : U(value)
    {
        ++liveReadBacks;
    }
    ~ReadBack() override { --liveReadBacks; }
};

// A counted copy of value, as the persistence service would make it.
template <class U>
const U* readBackOf(const U& value = U())
{
    return new ReadBack<U>(value);
}

// Scripted collection and persistence services for items of type T: the collection
// is a container the test fills, stores succeed unless told otherwise, a load answers
// with the last stored record once per item of readBack (by default loadCount new
// copies of the last stored item), handing those items over, and a registered item
// is taken over.
template <class T>
class ScriptedBus {
public:
    using Container = EditorCollection::Container<T>;
    using Record = EditorCollection::PersistentItem<T>;
    using Get = EditorCollection::GetCollectionRequest<T>;
    using Register = EditorCollection::RegisterItemRequest<T>;
    using LocateCollection = EditorCollection::LocateCollectionRequest<T>;
    using LocateItem = EditorCollection::LocateItemRequest<T>;
    using LocateCategory = EditorCollection::LocateCategoryRequest<T>;
    using Store = EditorCollection::StorePersistentItemRequest<T>;
    using Load = EditorCollection::LoadPersistentItemRequest<T>;
    using Remove = EditorCollection::RemovePersistentItemRequest<T>;
    using Change = Message::Types::Change<Container>;

    ScriptedBus()
    {
        spy.template answer<Get>([this](const Get& request) { answerCollection(request, &container); });
        spy.template answer<Store>([this](const Store& request) {
            stored.push_back(*request.object);
            storedItems.push_back(*request.object->item);
            answerStore(request, storeSucceeds);
        });
        spy.template answer<Load>([this](const Load& request) {
            std::deque<Record> records;
            for (const T* item : readBack ? readBack() : copies()) {
                records.push_back(stored.empty() ? Record() : stored.back());
                records.back().item = item;
            }
            answerLoadHandingOver(request, std::move(records));
        });
        spy.template answer<Register>([this](const Register& request) {
            held.emplace_back(request.object);
            if (request.persistentItem)
                registered.push_back(*request.persistentItem);
        });
        spy.template answer<Change>([this](const Change& request) { changedTo = *request.contents; });
    }
    ~ScriptedBus() { Translator::clear(); }

    T& add(const std::string& id, bool removable = true)
    {
        T& item = items.emplace_back();
        item.id = id;
        container.items.push_back(&item);
        if (removable)
            container.removableItems.insert(&item);
        return item;
    }

    std::deque<T> items;
    Container container;
    bool storeSucceeds = true;
    int loadCount = 1;
    std::function<std::vector<const T*>()> readBack;

    std::vector<Record> stored; // item pointers may dangle: see storedItems
    std::vector<T> storedItems;
    std::vector<std::unique_ptr<const T>> held;
    std::vector<Record> registered;
    Container changedTo;

    BusSpy<Get, Store, Load, Register, LocateCollection, LocateItem, LocateCategory, Remove, Change> spy;

private:
    std::vector<const T*> copies() const
    {
        std::vector<const T*> made;
        for (int i = 0; i < loadCount; ++i)
            made.push_back(readBackOf(storedItems.back()));
        return made;
    }
};

} // namespace Testing
