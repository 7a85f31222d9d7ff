#pragma once

// The one reader of a stored record: the persistence service reads files with it,
// the packs read their entries with it, and the fuzzers drive it, so that what they
// test is what runs.

#include "LoadedRecords.h"
#include "PersistentItem.h"
#include <Serialize/Archive.h>

#include <QByteArray>
#include <QLatin1String>
#include <QString>

#include <memory>
#include <typeinfo>

namespace EditorCollection {

// Why a document holds no readable record of an item type.
struct ReadFailure {
    enum Kind { None, Unreadable, Damaged, Foreign } kind = None; // Foreign: another record or item type
    QString reason;

    explicit operator bool() const { return kind != None; }
};

// Reads the record in document into records, which takes over its item; what kept it
// from doing so otherwise. Relative paths in it are resolved against baseFolder (when
// empty, they stay as written). adjust sees the record before records takes it.
template <class T, class Adjust>
ReadFailure readRecordFrom(
    const QByteArray& document, LoadedRecords<T>& records, const QString& baseFolder, Adjust adjust)
{
    using Record = PersistentItem<T>;
    std::unique_ptr<Serialize::InputArchive> opened;
    try {
        opened = std::make_unique<Serialize::InputArchive>(document);
    } catch (const Serialize::ArchiveError& error) {
        // An empty file or a broken archive was a record once; anything else never was.
        if (document.isEmpty() || document.left(256).contains("<archive"))
            return { ReadFailure::Damaged, QString::fromUtf8(error.what()) };
        return { ReadFailure::Foreign, QStringLiteral("not a record file") };
    }
    Serialize::InputArchive& archive = *opened;
    try {
        if (!baseFolder.isEmpty())
            archive.setBaseFolder(baseFolder);
        const QString node = archive.peekNodeName();
        if (node != QLatin1String(Record::NameInArchive()))
            return { ReadFailure::Foreign,
                QStringLiteral("not a %1 but %2").arg(Record::NameInArchive(), node) };
        Record record;
        record.restore(archive);
        adjust(record);
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

template <class T>
ReadFailure readRecordFrom(
    const QByteArray& document, LoadedRecords<T>& records, const QString& baseFolder = {})
{
    return readRecordFrom(document, records, baseFolder, [](PersistentItem<T>&) {});
}

} // namespace EditorCollection
