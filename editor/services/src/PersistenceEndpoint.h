#pragma once

// The bus side of the persistence service: one endpoint per item type answers the
// store, load and remove requests about that type.

#include "PathPolicy.h"
#include "RecordFiles.h"
#include "ServiceLogging.h"
#include <FolderCatalogue.h>
#include <LoadedRecords.h>
#include <PersistentItem.h>
#include <RecordEditing.h>
#include <Services/PersistenceService.h>
#include <Services/Trash.h>
#include <Settings/Settings.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QString>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <typeindex>
#include <typeinfo>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Services {
namespace Storage {

// Where the records of each item lie: every record read or written, the one listed
// and its twins (records of the same item elsewhere), so that a removal takes them
// all. Nearly every item has one record, kept without a list of its own.
// Thread-safe.
class RecordIndex {
public:
    // Adds location to what is known of key; the location known first.
    Location remember(const ItemKey& key, const Location& location)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const auto [entry, added] = m_records.try_emplace(key, Records { location, {} });
        Records& known = entry->second;
        if (!added && !(known.first == location)
            && std::find(known.twins.begin(), known.twins.end(), location) == known.twins.end())
            known.twins.push_back(location);
        return known.first;
    }
    std::vector<Location> locations(const ItemKey& key) const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_records.find(key);
        if (found == m_records.end())
            return {};
        std::vector<Location> all { found->second.first };
        all.insert(all.end(), found->second.twins.begin(), found->second.twins.end());
        return all;
    }
    // The record files known in folder.
    QSet<QString> filesIn(const QString& folder) const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        QSet<QString> files;
        const auto note = [&](const Location& location) {
            if (folderOf(location) == folder)
                files.insert(location.recordFile);
        };
        for (const auto& [key, records] : m_records) {
            note(records.first);
            for (const Location& twin : records.twins)
                note(twin);
        }
        return files;
    }
    void forget(const ItemKey& key, const Location& location)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_records.find(key);
        if (found == m_records.end())
            return;
        Records& known = found->second;
        known.twins.erase(std::remove(known.twins.begin(), known.twins.end(), location), known.twins.end());
        if (!(known.first == location))
            return;
        if (known.twins.empty()) {
            m_records.erase(found);
            return;
        }
        known.first = known.twins.front();
        known.twins.erase(known.twins.begin());
    }

private:
    struct Records {
        Location first;
        std::vector<Location> twins;
    };

    mutable std::mutex m_mutex;
    std::unordered_map<ItemKey, Records, ItemKeyHash> m_records;
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
class Endpoint
    : private PubSub::Publisher<EditorCollection::StorePersistentItemNotification<T>,
          EditorCollection::LoadPersistentItemNotification<T>,
          EditorCollection::RenamePersistentItemNotification<T>>,
      private PubSub::Subscriber<EditorCollection::StorePersistentItemRequest<T>,
          EditorCollection::LoadPersistentItemRequest<T>, EditorCollection::RemovePersistentItemRequest<T>,
          EditorCollection::RenamePersistentItemRequest<T>> {
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

    void handle(const EditorCollection::RenamePersistentItemRequest<T>& request) override
    {
        EditorCollection::RenamePersistentItemNotification<T> answer;
        answer.object = request.object;
        answer.name = request.name;
        answer.success = request.object && rename(keyOf(*request.object), request.name);
        this->publish(answer);
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
        if (!rewrite(record, location.recordFile, QStringLiteral("replaced"), QString()))
            return false;
        if (record.item)
            m_state.index.remember(keyOf(*record.item), location);
        return true;
    }

    // The records at requested; of records of one item in one folder, the listed one
    // (the catalogue's rule: the library's own file name, else the first by file name).
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
        // Plain files lie where their folder really lies: one check for all of them.
        const bool folderServed = served.serves(path, resolved(path));
        const QString base = dataFolder();
        PreviewCache previews;
        Records read;
        std::vector<Location> locations;
        std::vector<EditorCollection::Catalogue::Entry> entries;
        for (const auto& [location, real] : recordLocations(path)) {
            if (real.isEmpty()
                    ? !folderServed && !served.serves(location.recordFile, resolved(location.recordFile))
                    : !served.serves(location.recordFile, real))
                continue;
            if (!readRecord(location.recordFile, read, m_state.warnings, base, &previews))
                continue;
            const Record& record = read[read.size() - 1];
            if (filter && !filter(record)) {
                read.dropLast();
                continue;
            }
            locations.push_back(location);
            entries.push_back({ folderOf(location), entryName(location),
                record.item ? EditorCollection::kindOf(*record.item) : nullptr,
                record.item ? record.item->id : std::string() });
        }
        const std::vector<std::size_t> listed = EditorCollection::Catalogue::listedOf(entries);
        // The listed record first, so that the index knows it as the item's own.
        for (const bool twins : { false, true }) {
            for (std::size_t index = 0; index < read.size(); ++index) {
                if (read[index].item && (listed[index] != index) == twins)
                    m_state.index.remember(keyOf(*read[index].item), locations[index]);
            }
        }
        for (std::size_t index = 0; index < read.size(); ++index) {
            if (!read[index].item || listed[index] == index) {
                read.handOver(index);
                records.append(read[index]);
                continue;
            }
            // A twin stays on disk; what it holds is the listed record's item already.
            m_state.warnings.warn(locations[index].recordFile,
                QStringLiteral("%1 holds the same item as %2, which is the one listed")
                    .arg(locations[index].recordFile, locations[listed[index]].recordFile));
        }
        return records;
    }

    // The name the catalogue judges a record by: its file's, or its folder's when it
    // is stored at a folder of its own.
    static QString entryName(const Location& location)
    {
        return QFileInfo(location.folder.isEmpty() ? location.recordFile : location.folder).fileName();
    }

    // Gives the listed record of the item with key the display name name, rewritten
    // whole and atomically; its twins stay as they are, for the check to move. False
    // when no record holds the item any more, or it could not be rewritten.
    bool rename(const ItemKey& key, const std::string& name)
    {
        learnNewRecordsBeside(m_state.index.locations(key));
        for (const Location& location : m_state.index.locations(key)) {
            Records stored;
            if (!readRecord(location.recordFile, stored, m_state.warnings) || !stored[0].item
                || keyOf(*stored[0].item) != key) {
                m_state.index.forget(key, location);
                continue;
            }
            Record record = stored[0];
            record.customStrings[key.second] = name;
            return rewrite(record, location.recordFile, QStringLiteral("renamed"),
                QStringLiteral("to '%1'").arg(QString::fromStdString(name)));
        }
        return false;
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
            folders.insert(folderOf(location));
        for (const QString& folder : folders) {
            const QSet<QString> known = m_state.index.filesIn(folder);
            for (const FoundRecord& found : recordLocations(folder)) {
                Records read;
                if (!known.contains(found.location.recordFile)
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
        const bool wholeFolder = deletesWholeFolder(location);
        bool removed = false;
        if (Settings::trashBypassed())
            removed = wholeFolder ? QDir(location.folder).removeRecursively()
                                  : QFile::remove(location.recordFile);
        else
            removed = !keep(wholeFolder ? location.folder : location.recordFile, location.recordFile,
                QStringLiteral("removed"), QString(), true)
                           .folder.isEmpty();
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

    // Keeps what lies at path (the record file recordFile, or its folder) in the data
    // folder's trash, noted as what the record held; the entry's folder is empty when
    // it could not be kept.
    TrashEntry keep(const QString& path, const QString& recordFile, const QString& change,
        const QString& detail, bool move)
    {
        TrashEntry note;
        describeRecord(recordFile, note);
        note.change = change;
        note.detail = detail;
        return keepInTrash(dataFolder(), note, path, move);
    }

    // Writes record over file atomically. What file held before is kept in the trash,
    // noted as change, unless file holds it still; nothing is kept of a failed write.
    bool rewrite(const Record& record, const QString& file, const QString& change, const QString& detail)
    {
        TrashEntry kept;
        if (QFileInfo::exists(file) && !Settings::trashBypassed()) {
            kept = keep(file, file, change, detail, false);
            if (kept.folder.isEmpty())
                return false;
        }
        const bool written = writeRecordFile(record, file);
        if (!kept.folder.isEmpty() && (!written || sameBytes(file, kept.kept())))
            QDir(kept.folder).removeRecursively();
        return written;
    }

    static bool sameBytes(const QString& a, const QString& b)
    {
        QFile first(a), second(b);
        return first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly)
            && first.size() == second.size() && first.readAll() == second.readAll();
    }

    // Whether file holds a record of item: rewriting it loses no other item.
    bool holds(const QString& file, const T* item) { return item && holdsKey(file, keyOf(*item)); }

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
