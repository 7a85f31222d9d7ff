#pragma once

// The bus side of the persistence service: one endpoint per item type answers the
// store, load and remove requests about that type.

#include "PathPolicy.h"
#include "RecordFiles.h"
#include "ServiceLogging.h"

#include <LoadedRecords.h>
#include <PersistentItem.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QString>
#include <Services/PersistenceService.h>
#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

namespace Services {
namespace Storage {

// An item as the store knows it: its type's name and its id. Records are found by
// it, never by the item's address, so nothing here outlives the items.
using ItemKey = std::pair<std::string, std::string>;

template <class T>
ItemKey keyOf(const T& item)
{
    return ItemKey(typeid(item).name(), item.id);
}

// Where the records of each item lie: every record read or written, the one listed
// and its twins (records of the same item elsewhere), so that a removal takes them
// all. Thread-safe.
class RecordIndex {
public:
    void remember(const ItemKey& key, const Location& location)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<Location>& known = m_locations[key];
        if (std::find(known.begin(), known.end(), location) == known.end())
            known.push_back(location);
        m_files.insert(location.recordFile);
    }
    std::vector<Location> locations(const ItemKey& key) const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_locations.find(key);
        return found == m_locations.end() ? std::vector<Location>() : found->second;
    }
    bool knows(const QString& recordFile) const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_files.contains(recordFile);
    }
    void forget(const ItemKey& key, const Location& location)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_files.remove(location.recordFile);
        const auto found = m_locations.find(key);
        if (found == m_locations.end())
            return;
        std::vector<Location>& known = found->second;
        known.erase(std::remove(known.begin(), known.end(), location), known.end());
        if (known.empty())
            m_locations.erase(found);
    }

private:
    mutable std::mutex m_mutex;
    std::map<ItemKey, std::vector<Location>> m_locations;
    QSet<QString> m_files;
};

// What the endpoints share: the path policy, the index, the warnings given, and
// the outcome of the last removal.
struct StoreState {
    PathPolicy paths;
    RecordIndex index;
    FileWarnings warnings;
    std::atomic<PersistenceService::Removal> lastRemoval { PersistenceService::Removal::None };
};

// Answers the store, load and remove requests of item type T.
template <class T>
class Endpoint : private PubSub::Publisher<EditorCollection::StorePersistentItemNotification<T>,
                     EditorCollection::LoadPersistentItemNotification<T>>,
                 private PubSub::Subscriber<EditorCollection::StorePersistentItemRequest<T>,
                     EditorCollection::LoadPersistentItemRequest<T>,
                     EditorCollection::RemovePersistentItemRequest<T>> {
public:
    explicit Endpoint(StoreState& state)
        : m_state(state)
    {
        this->template subscribeAll<EditorCollection::PersistentItem<T>>();
        this->template subscribeAll<T>();
    }
    ~Endpoint() override = default;

private:
    using Record = EditorCollection::PersistentItem<T>;
    using Records = EditorCollection::LoadedRecords<T>;
    using Filter = typename EditorCollection::LoadPersistentItemRequest<T>::Filter;
    using Removal = PersistenceService::Removal;

    void handle(const EditorCollection::StorePersistentItemRequest<T>& request) override
    {
        EditorCollection::StorePersistentItemNotification<T> answer;
        answer.object = request.object;
        answer.success = request.object && store(*request.object, QString::fromStdString(request.path));
        this->publish(answer);
    }

    // Answered means handed over: the records read are offered with the answer and
    // belong to the requester once it claims them; what it does not claim (nobody
    // listening, or a subscriber throwing before it heard) is freed here.
    void handle(const EditorCollection::LoadPersistentItemRequest<T>& request) override
    {
        Records read;
        if (request.object)
            read = load(QString::fromStdString(request.path), request.filter);
        EditorCollection::LoadPersistentItemNotification<T> answer;
        answer.object = request.object;
        answer.items.assign(read.begin(), read.end());
        const typename Records::Offer offer(read, &answer.items);
        this->publish(answer);
    }

    void handle(const EditorCollection::RemovePersistentItemRequest<T>& request) override
    {
        m_state.lastRemoval = request.object ? remove(keyOf(*request.object)) : Removal::NotStored;
    }

    bool store(const Record& record, const QString& requested)
    {
        if (!isUsable(requested))
            return false;
        const Location location = storeLocation(cleanAbsolute(requested));
        if (!m_state.paths.serves(location.recordFile)) {
            qCWarning(lcPersistence).noquote()
                << "refusing to write outside the served folders:" << location.recordFile;
            return false;
        }
        if (location.folder.isEmpty() && !isRecordName(QFileInfo(location.recordFile).fileName())) {
            qCWarning(lcPersistence).noquote()
                << "refusing a record name that a folder's listing passes over:" << location.recordFile;
            return false;
        }
        if (QFileInfo::exists(location.recordFile) && !holds(location.recordFile, record.item)) {
            qCWarning(lcPersistence).noquote()
                << "refusing to replace what is not this item's record:" << location.recordFile;
            return false;
        }
        if (!writeRecordFile(record, location.recordFile))
            return false;
        if (record.item)
            m_state.index.remember(keyOf(*record.item), location);
        return true;
    }

    // The records at requested; of records of one item, the first by file name.
    Records load(const QString& requested, const Filter& filter)
    {
        Records records;
        if (!isUsable(requested))
            return records;
        const QString path = cleanAbsolute(requested);
        if (!m_state.paths.serves(path)) {
            qCWarning(lcPersistence).noquote() << "refusing to read outside the served folders:" << path;
            return records;
        }
        const PathPolicy::Snapshot served = m_state.paths.now();
        std::map<ItemKey, QString> listedFrom;
        for (const auto& [location, real] : recordLocations(path)) {
            if (!served.serves(location.recordFile, real.isEmpty() ? resolved(location.recordFile) : real))
                continue;
            if (!readRecord(location.recordFile, records, m_state.warnings))
                continue;
            const Record& record = records[records.size() - 1];
            if (filter && !filter(record)) {
                records.dropLast();
                continue;
            }
            if (!record.item)
                continue;
            const ItemKey key = keyOf(*record.item);
            m_state.index.remember(key, location);
            const auto listed = listedFrom.emplace(key, location.recordFile);
            if (!listed.second) {
                m_state.warnings.warn(location.recordFile,
                    QStringLiteral("%1 holds the same item as %2, which is the one listed")
                        .arg(location.recordFile, listed.first->second));
                records.dropLast();
            }
        }
        return records;
    }

    // Deletes every record of the item with key that still holds it, twins that
    // appeared beside a known record since it was read included.
    Removal remove(const ItemKey& key)
    {
        learnNewRecordsBeside(m_state.index.locations(key));
        Removal outcome = Removal::NotStored;
        for (const Location& location : m_state.index.locations(key)) {
            const Removal removal = removeIfHolds(location, key);
            if (removal == Removal::Failed)
                outcome = Removal::Failed;
            else if (removal == Removal::Removed && outcome != Removal::Failed)
                outcome = Removal::Removed;
        }
        return outcome;
    }

    // Reads the records the index does not know yet in the folders that hold locations.
    void learnNewRecordsBeside(const std::vector<Location>& locations)
    {
        QSet<QString> folders;
        for (const Location& location : locations)
            folders.insert(QFileInfo(location.folder.isEmpty() ? location.recordFile : location.folder).path());
        for (const QString& folder : folders) {
            for (const FoundRecord& found : recordLocations(folder)) {
                Records read;
                if (!m_state.index.knows(found.location.recordFile)
                    && readRecord(found.location.recordFile, read, m_state.warnings) && read[0].item)
                    m_state.index.remember(keyOf(*read[0].item), found.location);
            }
        }
    }

    Removal removeIfHolds(const Location& location, const ItemKey& key)
    {
        if (!m_state.paths.serves(location.recordFile)) {
            qCWarning(lcPersistence).noquote()
                << "not removing outside the served folders:" << location.recordFile;
            return Removal::Failed;
        }
        // The file may hold another item by now, or nothing: then the entry is stale.
        if (!holdsKey(location.recordFile, key)) {
            m_state.index.forget(key, location);
            return Removal::NotStored;
        }
        const bool removed = deletesWholeFolder(location) ? QDir(location.folder).removeRecursively()
                                                          : QFile::remove(location.recordFile);
        if (!removed) {
            qCWarning(lcPersistence).noquote() << "cannot remove" << location.recordFile;
            return Removal::Failed;
        }
        m_state.index.forget(key, location);
        return Removal::Removed;
    }

    // A folder goes with its record only when nothing but the library's files is in it.
    bool deletesWholeFolder(const Location& location) const
    {
        return !location.folder.isEmpty() && m_state.paths.serves(location.folder)
            && !m_state.paths.holdsServedFolder(location.folder) && !QFileInfo(location.folder).isSymLink()
            && holdsOnlyOwnFiles(location.folder);
    }

    // Whether file holds a record of item: rewriting it loses no other item.
    bool holds(const QString& file, const T* item)
    {
        return item && holdsKey(file, keyOf(*item));
    }

    bool holdsKey(const QString& file, const ItemKey& key)
    {
        Records stored;
        return readRecord(file, stored, m_state.warnings) && stored[0].item && keyOf(*stored[0].item) == key;
    }

    // The file system ends a path at a NUL, so such a path would name another file.
    static bool isUsable(const QString& path)
    {
        if (path.isEmpty())
            return false;
        if (path.contains(QChar(0))) {
            qCWarning(lcPersistence) << "refusing a path with a NUL character";
            return false;
        }
        return true;
    }

    StoreState& m_state;
};

} // namespace Storage
} // namespace Services
