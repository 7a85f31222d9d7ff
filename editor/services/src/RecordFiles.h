#pragma once

// The record files of the persistence service: where the records at a path lie,
// reading one record, writing one atomically.

#include "PathPolicy.h"
#include "ServiceLogging.h"

#include <LoadedRecords.h>
#include <PersistentItem.h>
#include <QFile>
#include <QSet>
#include <QString>
#include <Serialize/Archive.h>
#include <memory>
#include <mutex>
#include <typeinfo>
#include <vector>

namespace Services {
namespace Storage {

// Where one record lies. A record stored at a folder lives in its record file
// there; removing it may remove the folder.
struct Location {
    QString recordFile;
    QString folder; // empty for a record stored as a file

    bool operator==(const Location& other) const { return recordFile == other.recordFile; }
};

// A location found by scanning, with its record file's links resolved (empty when
// the scan did not resolve it).
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

// Why a file holds no readable record of an item type.
struct ReadFailure {
    enum Kind { None, Unreadable, Damaged, Foreign } kind = None; // Foreign: another record or item type
    QString reason;

    explicit operator bool() const { return kind != None; }
};

// Reads the record in file into records, which takes over its item; what kept it
// from doing so otherwise.
template <class T>
ReadFailure readRecordOf(const QString& file, EditorCollection::LoadedRecords<T>& records)
{
    using Record = EditorCollection::PersistentItem<T>;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return { ReadFailure::Unreadable, QStringLiteral("cannot read it") };
    std::unique_ptr<Serialize::InputArchive> opened;
    try {
        opened = std::make_unique<Serialize::InputArchive>(&in);
    } catch (const Serialize::ArchiveError& error) {
        // An empty file or a broken archive was a record once; anything else never was.
        in.seek(0);
        if (in.size() == 0 || in.read(256).contains("<archive"))
            return { ReadFailure::Damaged, QString::fromUtf8(error.what()) };
        return { ReadFailure::Foreign, QStringLiteral("not a record file") };
    }
    Serialize::InputArchive& archive = *opened;
    try {
        archive.setBaseFolder(dataFolder());
        const QString node = archive.peekNodeName();
        if (node != QLatin1String(Record::NameInArchive()))
            return { ReadFailure::Foreign, QStringLiteral("not a %1 but %2").arg(Record::NameInArchive(), node) };
        Record record;
        record.restore(archive);
        records.append(std::move(record));
        try {
            archive.finish();
        } catch (...) {
            records.dropLast();
            throw;
        }
        return {};
    } catch (const Serialize::ArchiveError& error) {
        return { ReadFailure::Damaged, QString::fromUtf8(error.what()) };
    } catch (const std::bad_cast&) {
        return { ReadFailure::Foreign, QStringLiteral("its item is not of the expected type") };
    }
}

// As readRecordOf; false, with a warning, when file holds no readable record of T.
template <class T>
bool readRecord(const QString& file, EditorCollection::LoadedRecords<T>& records, FileWarnings& warnings)
{
    const ReadFailure failure = readRecordOf(file, records);
    if (failure)
        warnings.warn(file, QStringLiteral("skipping %1: %2").arg(file, failure.reason));
    return !failure;
}

} // namespace Storage
} // namespace Services
