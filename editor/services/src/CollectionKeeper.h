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
#include <vector>

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

    // Whether registerRecords would take the record's item over. A record without an
    // item or a collection id is refused, and so is an item already held by another
    // collection.
    bool accepts(const EditorCollection::PersistentItem<T>& record) const
    {
        if (!record.item || record.collectionId.empty())
            return false;
        const auto held = m_items.find(record.item);
        return held == m_items.end() || held->second.container == find(record.collectionId);
    }

    // Whether the service owns item now.
    bool holds(const T* item) const { return m_items.count(item) != 0; }

    // Takes the items of accepted records over and applies one change per collection,
    // in record order. When a change fails, the items its collection does not list
    // stay with the sender.
    void registerRecords(const std::vector<const EditorCollection::PersistentItem<T>*>& records)
    {
        std::vector<std::vector<const EditorCollection::PersistentItem<T>*>> groups;
        std::unordered_map<std::string, std::size_t> groupOf;
        for (const auto* record : records) {
            const auto group = groupOf.emplace(record->collectionId, groups.size());
            if (group.second)
                groups.emplace_back();
            groups[group.first->second].push_back(record);
        }
        for (const auto& group : groups)
            registerIn(collection(group.front()->collectionId), group);
    }

private:
    using Record = EditorCollection::PersistentItem<T>;

    void registerIn(C& c, const std::vector<const Record*>& records)
    {
        std::vector<const T*> taken;
        try {
            for (const Record* record : records) {
                if (m_items.find(record->item) == m_items.end()) {
                    m_items.emplace(record->item, Held { std::unique_ptr<const T>(record->item), &c });
                    taken.push_back(record->item);
                }
                for (const auto& [key, text] : record->customStrings)
                    Translator::addTranslation(key, QString::fromStdString(text));
            }
            applyRegistration(c, records);
        } catch (...) {
            // The sender frees what the container does not list; owning it too
            // would free it twice.
            for (const T* item : taken) {
                if (!lists(c, item)) {
                    const auto held = m_items.find(item);
                    static_cast<void>(held->second.item.release());
                    m_items.erase(held);
                }
            }
            throw;
        }
    }

    static bool lists(const C& c, const T* item)
    {
        return std::find(c.items.begin(), c.items.end(), item) != c.items.end();
    }

    void applyRegistration(C& c, const std::vector<const Record*>& records)
    {
        typename OwningView::Modification modification(&m_view, &c, true);
        C& working = *modification.working;
        Placement placement(working);
        std::vector<const T*> replaced;
        for (const Record* record : records) {
            const T* item = record->item;
            if (const T* former = placement.place(item))
                replaced.push_back(former);
            if (record->preview)
                working.previews[item] = record->preview;
            else
                working.previews.erase(item);
            if (record->categories.empty())
                working.itemTextSets.erase(item);
            else
                working.itemTextSets[item] = record->categories;
            working.removableItems.insert(item);
        }
        try {
            modification.close();
        } catch (...) {
            // A failing observer may come after the change was made.
            releaseUnlisted(replaced, c);
            throw;
        }
        // Only now: observers have read the replaced items in the Changed notification.
        releaseUnlisted(replaced, c);
    }

    void releaseUnlisted(const std::vector<const T*>& items, const C& c)
    {
        for (const T* item : items)
            if (!lists(c, item))
                release(item, &c);
    }

    // Puts items into a working copy: appended, or in place of the first item with the
    // same id. Indexes the sequence once, so that many placements stay cheap.
    class Placement {
    public:
        explicit Placement(C& working)
            : m_working(working)
        {
            index();
        }

        // Returns the item replaced, or null. An item already there stays where it is.
        const T* place(const T* item)
        {
            auto& items = m_working.items;
            if (m_count.count(item))
                return nullptr;
            ++m_count[item];
            const auto same = item->id.empty() ? m_firstById.end() : m_firstById.find(item->id);
            if (same == m_firstById.end()) {
                if (!item->id.empty())
                    m_firstById.emplace(item->id, items.size());
                items.push_back(item);
                return nullptr;
            }
            const T* replaced = items[same->second];
            items[same->second] = item;
            if (--m_count[replaced] > 0) {
                items.erase(std::remove(items.begin(), items.end(), replaced), items.end());
                index();
            }
            m_count.erase(replaced);
            m_working.previews.erase(replaced);
            m_working.itemTextSets.erase(replaced);
            m_working.removableItems.erase(replaced);
            m_working.secondItemSet.erase(replaced);
            return replaced;
        }

    private:
        void index()
        {
            m_firstById.clear();
            m_count.clear();
            for (std::size_t i = 0; i < m_working.items.size(); ++i) {
                const T* item = m_working.items[i];
                ++m_count[item];
                if (item && !item->id.empty())
                    m_firstById.emplace(item->id, i);
            }
        }

        C& m_working;
        std::unordered_map<std::string, std::size_t> m_firstById;
        std::unordered_map<const T*, std::size_t> m_count;
    };

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
            try {
                ::Message::View<C>::change(c, contents);
            } catch (...) {
                // The change may be made already, with a follower failing afterwards.
                releaseLeft(c, *contents, kept);
                throw;
            }
            releaseLeft(c, *contents, kept);
        }

        // The service keeps its containers for its whole life.
        void remove(C*) override { }

        void forget(C* c) { ::Message::View<C>::remove(c); }

    private:
        // After a change, contents holds what c held before it.
        void releaseLeft(C* c, const C& contents, const std::unordered_set<const T*>& kept)
        {
            for (const T* item : contents.items)
                if (!kept.count(item))
                    m_keeper->release(item, c);
        }

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
            registerRecords({ request.persistentItem });
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
