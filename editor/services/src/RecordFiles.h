#pragma once

// The record files of the persistence service: where the records at a path lie,
// reading one record, writing one atomically.

#include "PathPolicy.h"
#include "ServiceLogging.h"
#include <LoadedRecords.h>
#include <PersistentItem.h>
#include <RecordReader.h>
#include <Serialize/Archive.h>
#include <Types/Image.h>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <typeindex>
#include <typeinfo>
#include <vector>

namespace Services {
namespace Storage {

// An item as the store knows it: its type and its id. Records are found by it, never
// by the item's address, so nothing here outlives the items. (Item types belong to
// the model and effects libraries, which stay loaded.)
using ItemKey = std::pair<std::type_index, std::string>;

template <class T>
ItemKey keyOf(const T& item)
{
    return ItemKey(typeid(item), item.id);
}

struct ItemKeyHash {
    std::size_t operator()(const ItemKey& key) const
    {
        return std::hash<std::type_index>()(key.first) * 31 + std::hash<std::string>()(key.second);
    }
};

// Where one record lies. A record stored at a folder lives in its record file
// there; removing it may remove the folder.
struct Location {
    QString recordFile;
    QString folder; // empty for a record stored as a file

    bool operator==(const Location& other) const { return recordFile == other.recordFile; }
};

// The folder whose listing holds location.
inline QString folderOf(const Location& location)
{
    return QFileInfo(location.folder.isEmpty() ? location.recordFile : location.folder).path();
}

// A location found by scanning, with its record file's links resolved; empty for a
// plain file, which lies where its folder really lies.
struct FoundRecord {
    Location location;
    QString real;
};

// The records at path (clean, absolute), by file name: the file itself; for a folder
// its own record, its other files with record names and its subfolders' records.
std::vector<FoundRecord> recordLocations(const QString& path);

// Where a store at path (clean, absolute) puts the record: inside it when it is a folder.
Location storeLocation(const QString& path);

// The node name of the record in file; empty when it is not an archive.
QString recordNodeName(const QString& file);

// Whether folder holds nothing but its record and the library's own bundle (with
// what interrupted saves of those two left), so that deleting it loses nothing else.
bool holdsOnlyOwnFiles(const QString& folder);

// The folder that records' paths are relative to: the data root as it is now.
QString dataFolder();

// Gives the record at path (a record file, or a folder a record is stored at) the
// display name name, atomically; the item, its id and its files stay.
bool renameRecordAt(const QString& path, const QString& name);

// Writes record to file atomically, creating missing folders; true once committed.
bool writeRecordFile(const Serialize::ISerializable& record, const QString& file);

// Warnings about files, each file's once for the life of the service.
class FileWarnings {
public:
    void warn(const QString& file, const QString& message);

private:
    std::mutex m_mutex;
    QSet<QString> m_warned;
};

// A record holds an item and a small preview; a file far larger is not one.
constexpr qint64 MaxRecordBytes = qint64(64) << 20;

// Previews read in one go that have the same bytes are one shared image: every
// title saved without a picture has the same grey square, and a large folder would
// hold thousands of copies of it.
class PreviewCache {
public:
    std::shared_ptr<const Types::Image> intern(std::shared_ptr<const Types::Image> preview)
    {
        if (!preview)
            return preview;
        std::shared_ptr<const Types::Image>& known = m_previews[preview->encoded()];
        if (!known)
            known = std::move(preview);
        return known;
    }

private:
    QHash<QByteArray, std::shared_ptr<const Types::Image>> m_previews;
};

// Why a file holds no readable record of an item type.
using ReadFailure = EditorCollection::ReadFailure;

// Reads the record in file into records, which takes over its item; what kept it
// from doing so otherwise. Relative paths in it are resolved against baseFolder.
template <class T>
ReadFailure readRecordOf(const QString& file, EditorCollection::LoadedRecords<T>& records,
    const QString& baseFolder = dataFolder(), PreviewCache* previews = nullptr)
{
    QFile in(file);
    // Read whole, unbuffered, into a buffer kept from file to file: a buffer per file
    // would cost allocations that make the heap consolidate, once per record.
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return { ReadFailure::Unreadable, QStringLiteral("cannot read it") };
    if (in.size() > MaxRecordBytes)
        return { ReadFailure::Foreign, QStringLiteral("too large to be a record") };
    static thread_local QByteArray document;
    document.resize(int(in.size()));
    if (in.read(document.data(), document.size()) != document.size())
        return { ReadFailure::Unreadable, QStringLiteral("cannot read it whole") };
    return EditorCollection::readRecordFrom(
        document, records, baseFolder, [previews](EditorCollection::PersistentItem<T>& record) {
            if (previews)
                record.preview = previews->intern(std::move(record.preview));
        });
}

// As readRecordOf; false, with a warning, when file holds no readable record of T.
template <class T>
bool readRecord(const QString& file, EditorCollection::LoadedRecords<T>& records, FileWarnings& warnings,
    const QString& baseFolder = dataFolder(), PreviewCache* previews = nullptr)
{
    const ReadFailure failure = readRecordOf(file, records, baseFolder, previews);
    if (failure)
        warnings.warn(file, QStringLiteral("skipping %1: %2").arg(file, failure.reason));
    return !failure;
}

} // namespace Storage
} // namespace Services
