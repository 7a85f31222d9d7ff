#pragma once

// Editing what is stored about an item, beyond storing and removing it: giving it
// another display name, and taking it out of a collection.

#include "BusClient.h"
#include "FetchedCollection.h"
#include "ItemView.h"
#include "PersistentItem.h"
#include <Model/Translator.h>

#include <algorithm>
#include <string>

namespace EditorCollection {

// Asks the persistence service to give the stored record of object (every record of
// its item type and id) the display name name, under the item's id in its
// customStrings; nothing else of the record changes. Answered by a
// RenamePersistentItemNotification about the same object.
template <class T>
class RenamePersistentItemRequest : public Message::Types::Request<T> {
public:
    std::string name;
};

// The outcome of a rename, sent by the persistence service while it handles the
// request; a collection that holds the item shows the new name from then on.
template <class T>
class RenamePersistentItemNotification : public Message::Types::Notification<T> {
public:
    std::string name;
    bool success = false;
};

// Short-lived client of the rename: subscribes to the item, asks, keeps the answer.
template <class T>
class RecordRenamer : private PubSub::Publisher<RenamePersistentItemRequest<T>>,
                      private PubSub::Subscriber<RenamePersistentItemNotification<T>> {
public:
    RecordRenamer() = default;
    ~RecordRenamer() override = default;

    // True only when the persistence service reported the record renamed.
    bool rename(const T* item, const std::string& name)
    {
        m_renamed = false;
        this->subscribe(item);
        {
            RenamePersistentItemRequest<T> request;
            request.object = item;
            request.name = name;
            this->publish(request);
        }
        this->unsubscribe(item);
        return m_renamed;
    }

private:
    void handle(const RenamePersistentItemNotification<T>& notification) override
    {
        m_renamed = notification.success;
    }

    bool m_renamed = false;
};

// Gives item the display name name when it is its own already or nameFree(name) says
// it is free; false for a name UTF-8 cannot hold, a taken name or a failed rename.
template <class T, class NameFree>
bool renameRecord(const T* item, const QString& name, NameFree nameFree)
{
    if (!item || !survivesUtf8(name))
        return false;
    if (Translator::translate(item->id) == name)
        return true;
    if (!nameFree(name))
        return false;
    return RecordRenamer<T>().rename(item, name.toStdString());
}

// Hands the owner of container the container less every occurrence of item, through
// a view that follows it for that one change.
template <class T>
void eraseFrom(Container<T>* container, const T* item)
{
    class Eraser : private View<T> {
    public:
        explicit Eraser(Container<T>* container) { this->observe(container); }
        ~Eraser() override = default;

        void erase(Container<T>* container, const T* item)
        {
            typename View<T>::Modification modification(this->messageView(), container, false);
            std::deque<const T*>& items = modification.working->items;
            items.erase(std::remove(items.begin(), items.end(), item), items.end());
            modification.close();
        }
    };
    Eraser(container).erase(container, item);
}

// eraseFrom the helper's collection; false when the collection does not list item.
template <class T>
bool eraseFromCollection(CollectionHelper<T>& helper, const T* item)
{
    auto* container = const_cast<Container<T>*>(&fetchCollection(helper));
    if (std::find(container->items.begin(), container->items.end(), item) == container->items.end())
        return false;
    eraseFrom(container, item);
    return true;
}

} // namespace EditorCollection
