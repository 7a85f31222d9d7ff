#pragma once

// The collections of one item type: answers their get-collection and register
// requests, owns their containers (through the owner side of a view) and the items
// registered in them, and applies change requests from the views that follow them.

#include <CollectionHelper.h>
#include <ContainerView.h>
#include <Model/Translator.h>
#include <PersistentItem.h>
#include <QString>
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace Services {

template <class T>
class CollectionKeeper : private PubSub::Subscriber<EditorCollection::GetCollectionRequest<T>,
                             EditorCollection::RegisterItemRequest<T>>,
                         private PubSub::Publisher<EditorCollection::GetCollectionNotification<T>> {
public:
    using C = EditorCollection::Container<T>;

    CollectionKeeper() { this->template subscribeAll<T>(); }
    // Tells the followers that every container goes away, then frees containers and items.
    ~CollectionKeeper() override
    {
        for (const auto& entry : m_containers)
            m_view.forget(entry.second.get());
        this->template unsubscribeAll<T>();
    }

    const C* find(const std::string& collectionId) const
    {
        const auto found = m_containers.find(collectionId);
        return found == m_containers.end() ? nullptr : found->second.get();
    }

    // Whether registerRecord would take the record's item over. A record without an
    // item or a collection id is refused, and so is an item already held by another
    // collection.
    bool accepts(const EditorCollection::PersistentItem<T>& record) const
    {
        if (!record.item || record.collectionId.empty())
            return false;
        const auto held = m_items.find(record.item);
        return held == m_items.end() || held->second.container == find(record.collectionId);
    }

    // Takes the accepted record's item over and applies one change to its collection.
    void registerRecord(const EditorCollection::PersistentItem<T>& record)
    {
        const T* item = record.item;
        C& c = collection(record.collectionId);
        if (m_items.find(item) == m_items.end())
            m_items.emplace(item, Held { std::unique_ptr<const T>(item), &c });

        for (const auto& [key, text] : record.customStrings)
            Translator::addTranslation(key, QString::fromStdString(text));

        typename OwningView::Modification modification(&m_view, &c, true);
        C& working = *modification.working;
        const T* replaced = place(working, item);
        if (record.preview)
            working.previews[item] = record.preview;
        else
            working.previews.erase(item);
        if (record.categories.empty())
            working.itemTextSets.erase(item);
        else
            working.itemTextSets[item] = record.categories;
        working.removableItems.insert(item);
        modification.close();

        // Only now: observers have read the replaced item in the Changed notification.
        if (replaced)
            release(replaced, &c);
    }

private:
    struct Held {
        std::unique_ptr<const T> item;
        const C* container;
    };

    class OwningView : public ::Message::View<C> {
    public:
        explicit OwningView(CollectionKeeper* keeper)
            : m_keeper(keeper)
        {
        }

        // Drops what belonged to the items that leave, so that the one Changed
        // notification shows the final contents; deletes those items once it is out.
        void change(C* c, C* contents) override
        {
            const std::unordered_set<const T*> kept(contents->items.begin(), contents->items.end());
            dropMissing(contents->previews, kept);
            dropMissing(contents->itemTextSets, kept);
            dropMissing(contents->removableItems, kept);
            dropMissing(contents->secondItemSet, kept);
            ::Message::View<C>::change(c, contents);
            for (const T* item : contents->items)
                if (!kept.count(item))
                    m_keeper->release(item, c);
        }

        // The service keeps its containers for its whole life.
        void remove(C*) override { }

        void forget(C* c) { ::Message::View<C>::remove(c); }

    private:
        template <class Keyed>
        static void dropMissing(Keyed& keyed, const std::unordered_set<const T*>& kept)
        {
            for (auto it = keyed.begin(); it != keyed.end();) {
                if (kept.count(keyOf(*it)))
                    ++it;
                else
                    it = keyed.erase(it);
            }
        }
        static const T* keyOf(const T* item) { return item; }
        template <class Pair>
        static const T* keyOf(const Pair& entry)
        {
            return entry.first;
        }

        CollectionKeeper* const m_keeper;
    };

    void handle(const EditorCollection::GetCollectionRequest<T>& request) override
    {
        EditorCollection::GetCollectionNotification<T> answer;
        answer.object = request.object;
        answer.collection = &collection(request.collectionId);
        this->publish(answer);
    }

    // An item the service cannot take over stays with the sender.
    void handle(const EditorCollection::RegisterItemRequest<T>& request) override
    {
        if (request.persistentItem && accepts(*request.persistentItem))
            registerRecord(*request.persistentItem);
    }

    // Created empty, named by firstText, and announced with Added on first use.
    C& collection(const std::string& collectionId)
    {
        const auto found = m_containers.find(collectionId);
        if (found != m_containers.end())
            return *found->second;
        auto created = std::make_unique<C>();
        created->firstText = collectionId;
        C* c = created.get();
        m_containers.emplace(collectionId, std::move(created));
        m_view.submitNew(c, true);
        return *c;
    }

    // Appends item, or puts it in place of the first item with its id; returns the
    // item replaced, or null. An item already there stays where it is.
    static const T* place(C& working, const T* item)
    {
        auto& items = working.items;
        if (std::find(items.begin(), items.end(), item) != items.end())
            return nullptr;
        const auto same = item->id.empty() ? items.end()
                                           : std::find_if(items.begin(), items.end(), [item](const T* other) {
                                                 return other && other->id == item->id;
                                             });
        if (same == items.end()) {
            items.push_back(item);
            return nullptr;
        }
        const T* replaced = *same;
        *same = item;
        items.erase(std::remove(items.begin(), items.end(), replaced), items.end());
        working.previews.erase(replaced);
        working.itemTextSets.erase(replaced);
        working.removableItems.erase(replaced);
        working.secondItemSet.erase(replaced);
        return replaced;
    }

    // Deletes item if this service took it over for collection c.
    void release(const T* item, const C* c)
    {
        const auto held = m_items.find(item);
        if (held != m_items.end() && held->second.container == c)
            m_items.erase(held);
    }

    // Destroyed in reverse: the view forgets the containers before items and
    // containers go.
    std::map<std::string, std::unique_ptr<C>> m_containers;
    std::unordered_map<const T*, Held> m_items;
    OwningView m_view { this };
};

} // namespace Services
