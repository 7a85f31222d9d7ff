#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace Services {

// Answers the persistent item requests of Effect::Object, Import::Object and
// Overlay::Preset with XML files below the folders it serves (the data root current
// at each request, and every allowed folder), from construction to destruction.
// A store replaces no file but a record of the same item, and writes no file that a
// folder's listing would pass over. What a store writes over, a rename rewrites or a
// removal deletes is kept in the data folder's trash first (Services/Trash.h), unless a
// Settings::TrashBypass lives on the requesting thread. The items of a load answer
// belong to the requester once it claims them; the service keeps none.
class PersistenceService {
public:
    // The file that holds the record stored at a folder.
    static constexpr const char* RecordFileName = "record.xml";

    // What a remove request came to; the request itself has no answer.
    enum class Removal {
        None, // no remove request handled yet
        Removed, // every record of the item was deleted
        NotStored, // no record of the item is known
        Failed, // a record of the item could not be deleted
    };

    PersistenceService();
    ~PersistenceService();
    PersistenceService(const PersistenceService&) = delete;
    PersistenceService& operator=(const PersistenceService&) = delete;

    // Serves path and everything below it as well; an empty path is ignored.
    void allowFolder(const QString& path);

    // The outcome of the last remove request this service handled, on any thread.
    Removal lastRemoval() const;

    // The listed record file of an item of item's type and id, as this service knows
    // it (not a twin); empty when it knows none.
    template <class T>
    QString recordFile(const T& item) const;
    // The other record files of that item that this service knows (its twins: copies
    // under other names), which a rename or replace leaves as they are.
    template <class T>
    QStringList twinFiles(const T& item) const;

    // Whether a store may use fileName as the name of a record file: the names a
    // folder's listing passes over (hidden files, bundles, the record stored at a
    // folder, leftovers of interrupted saves) are refused.
    static bool isRecordFileName(const QString& fileName);

private:
    struct Endpoints;
    std::unique_ptr<Endpoints> m_endpoints;
};

} // namespace Services
