#pragma once

// Which paths the persistence service may touch, and which file names are records.

#include <Services/PersistenceService.h>

#include <QString>
#include <QStringList>

#include <mutex>

namespace Services {
namespace Storage {

// The file that holds the record stored at a folder.
inline const QString RecordFileName = QString::fromLatin1(PersistenceService::RecordFileName);
// The bundle the library writes beside an intro's record, in the intro's folder.
inline const QString OwnBundleName = QStringLiteral("intro.bundle");

// path cleaned of "." and ".." and made absolute.
QString cleanAbsolute(const QString& path);
// path (clean, absolute) with every symbolic link along it resolved, dangling ones
// included, so that no link can lead a write or a delete somewhere else.
QString resolved(const QString& path);
// Both paths clean and absolute.
bool isWithin(const QString& path, const QString& folder);

// Whether a file called fileName is a record file a caller may store and a folder's
// listing reads: not hidden, not a bundle, not the name of a record stored at a
// folder, not what an interrupted save leaves behind. One rule for both sides, so
// that nothing stored can be passed over by the listing.
bool isRecordName(const QString& fileName);
// What an interrupted save of a file called finalName leaves behind: the name, a
// dot and six letters or digits (QSaveFile's temporary).
bool isSaveTemporaryOf(const QString& fileName, const QString& finalName);
// Whether fileName is such a leftover of one of the library's own files (a record
// stored at a folder, a bundle, a file named by a braced UUID).
bool isLeftoverSave(const QString& fileName);

// The folders served: the data root current at each moment, and the allowed folders.
// Thread-safe.
class PathPolicy {
public:
    // Serves path and everything below it as well; an empty path is ignored.
    void allow(const QString& path);

    // Whether path (clean, absolute) lies in a served folder, links resolved.
    bool serves(const QString& path) const { return now().serves(path, resolved(path)); }
    // Whether deleting path (clean, absolute) would delete a served folder.
    bool holdsServedFolder(const QString& path) const;

    // The folders as they are at one moment, links resolved once: for the many
    // checks of one request.
    struct Snapshot {
        QStringList folders;
        QStringList real;

        bool serves(const QString& path, const QString& realPath) const;
    };
    Snapshot now() const;

private:
    QStringList folders() const;

    mutable std::mutex m_mutex;
    QStringList m_allowed;
};

} // namespace Storage
} // namespace Services
