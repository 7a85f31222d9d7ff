#pragma once

// The collections of one item type: answers their get-collection and register
// requests, owns their containers (through the owner side of a view) and the items
// registered in them, and applies change requests from the views that follow them.

#include <CollectionHelper.h>
#include <ContainerView.h>
#include <LoadedRecords.h>
#include <Model/Translator.h>
#include <PersistentItem.h>
#include <RecordEditing.h>
#include <Serialize/Archive.h>

#include <QBuffer>
#include <QString>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace Services {

template <class T>
class CollectionKeeper
    : private PubSub::Subscriber<EditorCollection::GetCollectionRequest<T>,
          EditorCollection::RegisterItemRequest<T>, EditorCollection::RenamePersistentItemNotification<T>>,
      private PubSub::Publisher<EditorCollection::GetCollectionNotification<T>> {
public:
    using C = EditorCollection::Container<T>;
    using Record = EditorCollection::PersistentItem<T>;
    using Records = EditorCollection::LoadedRecords<T>;

    CollectionKeeper() { this->template subscribeAll<T>(); }
    // Tells the followers that every container goes away, then frees containers and items.
    ~CollectionKeeper() override
    {
        for (const auto& entry : m_containers)
            m_view.forget(entry.second.get());
        this->template unsubscribeAll<T>();
    }

    std::vector<std::string> ids() const
    {
        std::vector<std::string> ids;
        for (const auto& entry : m_containers)
            ids.push_back(entry.first);
        return ids;
    }

    const C* find(const std::string& collectionId) const
    {
        const auto found = m_containers.find(collectionId);
        return found == m_containers.end() ? nullptr : found->second.get();
    }

    // load fills the collections from storage; it runs once, before the first
    // collection is handed out (again after a load that threw).
    void loadOnFirstUse(std::function<void()> load) { m_pendingLoad = std::move(load); }
    void loadIfPending()
    {
        if (!m_pendingLoad)
            return;
        std::function<void()> load = std::move(m_pendingLoad);
        m_pendingLoad = nullptr;
        try {
            load();
        } catch (...) {
            // What was registered stays; a later request loads the rest, and
            // nothing comes twice since loaded items never replace listed ones.
            m_pendingLoad = std::move(load);
            throw;
        }
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

    // The indices of records by collection id, the ids in the order of their first record.
    static std::pair<std::vector<std::string>, std::unordered_map<std::string, std::vector<std::size_t>>>
    byCollection(const Records& records)
    {
        std::vector<std::string> order;
        std::unordered_map<std::string, std::vector<std::size_t>> groups;
        for (std::size_t index = 0; index < records.size(); ++index) {
            auto& group = groups[records[index].collectionId];
            if (group.empty())
                order.push_back(records[index].collectionId);
            group.push_back(index);
        }
        return { std::move(order), std::move(groups) };
    }

    // Registers the items of records in the collections their collectionIds name, one
    // change per collection, in record order, taking each item it lists from records.
    // A loaded item never takes the place of one listed under its id already: that
    // one was registered or loaded first, and the later one stays with records.
    void registerLoaded(Records& records)
    {
        auto [order, groups] = byCollection(records);
        for (const std::string& collectionId : order) {
            C& c = collection(collectionId);
            std::unordered_set<std::string> listedIds;
            for (const T* item : c.items) {
                if (item && !item->id.empty())
                    listedIds.insert(item->id);
            }
            std::vector<const Record*> taken;
            for (const std::size_t index : groups[collectionId]) {
                const Record& record = records[index];
                if (!record.item || (!record.item->id.empty() && !listedIds.insert(record.item->id).second))
                    continue;
                if (adopt(records.take(index), c))
                    taken.push_back(&record);
            }
            apply(c, taken);
        }
    }

    // Brings the collections in line with what another process did on disk: the
    // items of records take the places of those listed under their ids (an equal
    // one, such as this process's own save seen again, stays), and the items listed
    // under goneIds leave. One change per collection touched.
    void reconcile(Records& records, const std::unordered_set<std::string>& goneIds)
    {
        auto [order, groups] = byCollection(records);
        if (!goneIds.empty()) {
            for (const auto& entry : m_containers) {
                if (groups.count(entry.first))
                    continue;
                for (const T* item : entry.second->items) {
                    if (item && goneIds.count(item->id)) {
                        order.push_back(entry.first);
                        groups[entry.first];
                        break;
                    }
                }
            }
        }
        for (const std::string& collectionId : order) {
            C& c = collection(collectionId);
            std::unordered_map<std::string, const T*> listed;
            for (const T* item : c.items) {
                if (item)
                    listed.emplace(item->id, item);
            }
            std::vector<const Record*> taken;
            std::unordered_set<std::string> takenIds;
            for (const std::size_t index : groups[collectionId]) {
                const Record& record = records[index];
                if (!record.item)
                    continue;
                const auto same = listed.find(record.item->id);
                if (same != listed.end() && sameContent(c, same->second, record))
                    continue;
                takenIds.insert(record.item->id);
                if (adopt(records.take(index), c))
                    taken.push_back(&record);
            }
            std::vector<const T*> leaving;
            for (const T* item : c.items) {
                if (item && goneIds.count(item->id) && !takenIds.count(item->id))
                    leaving.push_back(item);
            }
            apply(c, taken, leaving);
        }
    }

private:
    // Whether record holds what c lists of item: the item's stored form, its name,
    // preview and categories.
    static bool sameContent(const C& c, const T* item, const Record& record)
    {
        const auto preview = c.previews.find(item);
        const auto categories = c.itemTextSets.find(item);
        const auto name = record.customStrings.find(item->id);
        return stored(item) == stored(record.item)
            && (name == record.customStrings.end()
                || Translator::translate(item->id) == QString::fromStdString(name->second))
            && (categories == c.itemTextSets.end() ? record.categories.empty()
                                                   : categories->second == record.categories)
            && encoded(preview == c.previews.end() ? nullptr : preview->second) == encoded(record.preview);
    }
    static QByteArray stored(const T* item)
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        Serialize::OutputArchive archive(&buffer);
        archive.writeObject("item", item);
        archive.finish();
        return buffer.data();
    }
    static QByteArray encoded(const std::shared_ptr<const Types::Image>& preview)
    {
        return preview ? preview->encoded() : QByteArray();
    }

    void handle(const EditorCollection::GetCollectionRequest<T>& request) override
    {
        loadIfPending();
        EditorCollection::GetCollectionNotification<T> answer;
        answer.object = request.object;
        answer.collection = &collection(request.collectionId);
        this->publish(answer);
    }

    // Every registration is taken: the item is this service's from here on, listed
    // in its record's collection (an empty id names a collection too), and kept
    // until the service is destroyed should listing it fail.
    void handle(const EditorCollection::RegisterItemRequest<T>& request) override
    {
        if (!request.persistentItem)
            return;
        const Record& record = *request.persistentItem;
        std::unique_ptr<const T> item = Records::claimItem(record);
        if (!item)
            return;
        C& c = collection(record.collectionId);
        if (adopt(std::move(item), c))
            apply(c, { &record });
    }

    // A stored item was renamed: its collection shows the new name, and its followers
    // hear of it by a change that keeps the contents.
    void handle(const EditorCollection::RenamePersistentItemNotification<T>& notification) override
    {
        if (!notification.success || !notification.object)
            return;
        Translator::addTranslation(notification.object->id, QString::fromStdString(notification.name));
        const auto held = m_items.find(notification.object);
        if (held == m_items.end())
            return;
        C& c = *held->second.container;
        typename OwningView::Modification modification(&m_view, &c, true);
        modification.close();
    }

    // Takes item over for c; false when it cannot be listed there. An item held
    // already is this service's already and stays where it is.
    bool adopt(std::unique_ptr<const T> item, C& c)
    {
        if (!item)
            return false;
        const auto held = m_items.find(item.get());
        if (held != m_items.end()) {
            static_cast<void>(item.release());
            return held->second.container == &c;
        }
        const T* key = item.get();
        m_items.emplace(key, Held { std::move(item), &c });
        return true;
    }

    // One change of c that lists the items of records (held here already) with their
    // previews and categories; an item with the id of one listed takes its place.
    // The items of leaving (held here) leave c in the same change.
    void apply(C& c, const std::vector<const Record*>& records, const std::vector<const T*>& leaving = {})
    {
        if (records.empty() && leaving.empty())
            return;
        typename OwningView::Modification modification(&m_view, &c, true);
        C& working = *modification.working;
        if (!leaving.empty()) {
            const std::unordered_set<const T*> gone(leaving.begin(), leaving.end());
            working.items.erase(std::remove_if(working.items.begin(), working.items.end(),
                                    [&gone](const T* item) { return gone.count(item) != 0; }),
                working.items.end());
            for (const T* item : leaving) {
                working.previews.erase(item);
                working.itemTextSets.erase(item);
                working.removableItems.erase(item);
                working.secondItemSet.erase(item);
            }
        }
        Placement placement(working, working.items.size() + records.size());
        for (const Record* record : records) {
            const T* item = record->item;
            placement.place(item);
            if (record->preview)
                working.previews[item] = record->preview;
            else
                working.previews.erase(item);
            if (record->categories.empty())
                working.itemTextSets.erase(item);
            else
                working.itemTextSets[item] = record->categories;
            working.removableItems.insert(item);
            for (const auto& [key, text] : record->customStrings)
                Translator::addTranslation(key, QString::fromStdString(text));
        }
        std::vector<const T*> replaced = placement.replaced();
        replaced.insert(replaced.end(), leaving.begin(), leaving.end());
        // Only once observers have seen the replaced items in the Changed notification.
        struct ReleaseAfterwards {
            CollectionKeeper& keeper;
            C& c;
            const std::vector<const T*>& items;
            ~ReleaseAfterwards() { keeper.releaseUnlisted(items, c); }
        } releaseAfterwards { *this, c, replaced };
        modification.close();
    }

    static bool lists(const C& c, const T* item)
    {
        return std::find(c.items.begin(), c.items.end(), item) != c.items.end();
    }

    // Frees the items that c held and no longer lists, judged by what c lists now:
    // a follower may have put one back by a nested change.
    void releaseUnlisted(const std::vector<const T*>& items, const C& c) noexcept
    {
        std::unordered_set<const T*> listed;
        if (!items.empty())
            listed.insert(c.items.begin(), c.items.end());
        for (const T* item : items) {
            if (!listed.count(item))
                release(item, &c);
        }
    }

    // Puts items into a working copy: appended, or in place of the first item with the
    // same id. Indexes the sequence once, so that many placements stay cheap.
    class Placement {
    public:
        // expected: how many items the working copy will hold, to size the indexes once.
        Placement(C& working, std::size_t expected)
            : m_working(working)
        {
            m_firstById.reserve(expected);
            m_count.reserve(expected);
            index();
        }

        // An item there already stays where it is.
        void place(const T* item)
        {
            auto& items = m_working.items;
            if (m_count.count(item))
                return;
            ++m_count[item];
            const auto same = item->id.empty() ? m_firstById.end() : m_firstById.find(item->id);
            if (same == m_firstById.end()) {
                if (!item->id.empty())
                    m_firstById.emplace(item->id, items.size());
                items.push_back(item);
                return;
            }
            const T* former = items[same->second];
            items[same->second] = item;
            if (--m_count[former] > 0) {
                items.erase(std::remove(items.begin(), items.end(), former), items.end());
                index();
            }
            m_count.erase(former);
            m_working.previews.erase(former);
            m_working.itemTextSets.erase(former);
            m_working.removableItems.erase(former);
            m_working.secondItemSet.erase(former);
            m_replaced.push_back(former);
        }

        // The items that others took the place of.
        const std::vector<const T*>& replaced() const { return m_replaced; }

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
        std::vector<const T*> m_replaced;
    };

    struct Held {
        std::unique_ptr<const T> item;
        C* container;
    };

    class OwningView : public ::Message::View<C> {
    public:
        explicit OwningView(CollectionKeeper* keeper)
            : m_keeper(keeper)
        {
        }

        // Drops what belonged to the items that leave, so that the one Changed
        // notification shows the final contents; frees those items once it is out
        // and they are still gone.
        void change(C* c, C* contents) override
        {
            const std::unordered_set<const T*> kept(contents->items.begin(), contents->items.end());
            dropMissing(contents->previews, kept);
            dropMissing(contents->itemTextSets, kept);
            dropMissing(contents->removableItems, kept);
            dropMissing(contents->secondItemSet, kept);
            // After the change contents holds what c held before it, whether or not a
            // follower throws afterwards.
            std::vector<const T*> leaving;
            struct ReleaseAfterwards {
                CollectionKeeper& keeper;
                C& c;
                std::vector<const T*>& items;
                ~ReleaseAfterwards() { keeper.releaseUnlisted(items, c); }
            } releaseAfterwards { *m_keeper, *c, leaving };
            for (const T* item : c->items) {
                if (!kept.count(item))
                    leaving.push_back(item);
            }
            ::Message::View<C>::change(c, contents);
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

    // Frees item if this service holds it for collection c.
    void release(const T* item, const C* c) noexcept
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
    std::function<void()> m_pendingLoad;
};

} // namespace Services
