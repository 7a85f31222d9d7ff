#pragma once

#include <BusSpy.h>
#include <CollectionHelper.h>
#include <ContainerView.h>
#include <Model/Translator.h>
#include <PersistentItem.h>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace Testing {

// Scripted collection and persistence services for items of type T: the collection
// is a container the test fills, stores succeed unless told otherwise, a load answers
// with loadCount fresh copies of the last stored record, and a registered item is
// taken over, as the collection service would.
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
        spy.template answer<Get>([this](const Get& request) {
            EditorCollection::GetCollectionNotification<T> answer;
            answer.object = request.object;
            answer.collection = &container;
            PubSub::publish(answer);
        });
        spy.template answer<Store>([this](const Store& request) {
            stored.push_back(*request.object);
            storedItems.push_back(*request.object->item);
            EditorCollection::StorePersistentItemNotification<T> answer;
            answer.object = request.object;
            answer.success = storeSucceeds;
            PubSub::publish(answer);
        });
        spy.template answer<Load>([this](const Load& request) {
            EditorCollection::LoadPersistentItemNotification<T> answer;
            answer.object = request.object;
            for (int i = 0; i < loadCount; ++i) {
                answer.items.push_back(stored.back());
                answer.items.back().item = new T(storedItems.back());
            }
            PubSub::publish(answer);
        });
        spy.template answer<Register>([this](const Register& request) { held.emplace_back(request.object); });
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

    std::vector<Record> stored; // item pointers may dangle: see storedItems
    std::vector<T> storedItems;
    std::vector<std::unique_ptr<const T>> held;
    Container changedTo;

    BusSpy<Get, Store, Load, Register, LocateCollection, LocateItem, LocateCategory, Remove, Change> spy;
};

} // namespace Testing
