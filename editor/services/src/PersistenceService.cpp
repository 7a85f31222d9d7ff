#include <Model/EffectObject.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <PersistentItem.h>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStringList>
#include <QUuid>
#include <Serialize/Archive.h>
#include <Services/PersistenceService.h>
#include <Settings/Settings.h>
#include <algorithm>
#include <map>
#include <optional>
#include <stdexcept>
#include <typeindex>
#include <typeinfo>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Services {

namespace {

using namespace EditorCollection;

QString cleanAbsolute(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// Both paths clean and absolute.
bool isWithin(const QString& path, const QString& folder)
{
    if (path == folder)
        return true;
    return path.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
}

// The path with symbolic links resolved as far as it exists, so that a link inside
// a served folder cannot lead a write or a delete outside it.
QString resolved(const QString& path)
{
    QString existing = path;
    QString rest;
    while (!QFileInfo::exists(existing)) {
        const int slash = existing.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0)
            return path;
        rest.prepend(existing.mid(slash));
        existing.truncate(slash);
    }
    return QDir::cleanPath(QFileInfo(existing).canonicalFilePath() + rest);
}

// The file system ends a path at a NUL, so such a path would name another file.
bool isUsablePath(const QString& path)
{
    if (!path.contains(QChar(0)))
        return true;
    qWarning().noquote() << "persistence: refusing a path with a NUL character";
    return false;
}

// What QSaveFile leaves behind when its writer dies before committing: the final name,
// a dot and six random letters, holding a whole or partial record that was never
// committed. Listing it would show a record twice or one never saved, so it counts as
// such beside the names the library gives records: the record stored at a folder and a
// braced UUID (every preset's file). A caller's own name such as "clip.backup" stays a
// record: hiding a real record would lose it, a leftover costs at most a duplicate.
bool isLeftoverSaveFile(const QFileInfo& file)
{
    const QString name = file.fileName();
    const int dot = name.size() - 7;
    if (dot < 1 || name[dot] != QLatin1Char('.'))
        return false;
    for (int i = dot + 1; i < name.size(); ++i)
        if (name[i].unicode() > 0x7f || !name[i].isLetterOrNumber())
            return false;
    const QString finalName = name.left(dot);
    return finalName == QLatin1String(PersistenceService::RecordFileName)
        || (finalName.startsWith(QLatin1Char('{')) && !QUuid(finalName).isNull());
}

bool isObviouslyNotARecord(const QFileInfo& file)
{
    return file.fileName().endsWith(QLatin1String(".bundle")) || isLeftoverSaveFile(file);
}

bool isRecordFile(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    try {
        Serialize::InputArchive archive(&in);
        const QString name = archive.peekNodeName();
        return name == QLatin1String(PersistentItem<Effect::Object>::NameInArchive())
            || name == QLatin1String(PersistentItem<Import::Object>::NameInArchive())
            || name == QLatin1String(PersistentItem<Overlay::Preset>::NameInArchive());
    } catch (const Serialize::ArchiveError&) {
        return false;
    }
}

// Whether anything below folder, apart from ownRecord, is a record: such a folder
// is not deleted as a whole, since that would take another item's record with it.
bool holdsOtherRecords(const QString& folder, const QString& ownRecord)
{
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (file != ownRecord && !isObviouslyNotARecord(it.fileInfo()) && isRecordFile(file))
            return true;
    }
    return false;
}

// The folders served: the data root as it is now, and the allowed folders.
class ServedFolders {
public:
    void allow(const QString& path)
    {
        if (!path.isEmpty())
            m_allowed << cleanAbsolute(path);
    }

    // path: clean and absolute.
    bool serves(const QString& path) const { return now().serves(path, resolved(path)); }

    // The folders as they are at one moment, links resolved once: for the many
    // checks of one request.
    struct Snapshot {
        QStringList folders;
        QStringList real;

        bool serves(const QString& path, const QString& realPath) const
        {
            for (int i = 0; i < folders.size(); ++i)
                if (isWithin(path, folders[i]) && isWithin(realPath, real[i]))
                    return true;
            return false;
        }
    };
    Snapshot now() const
    {
        Snapshot snapshot { folders(), {} };
        for (const QString& folder : snapshot.folders)
            snapshot.real << resolved(folder);
        return snapshot;
    }

    // Whether deleting path would delete a served folder.
    bool holdsServedFolder(const QString& path) const
    {
        for (const QString& folder : folders())
            if (isWithin(folder, path))
                return true;
        return false;
    }

private:
    QStringList folders() const { return QStringList(cleanAbsolute(Settings::dataRoot())) + m_allowed; }

    QStringList m_allowed;
};

// Where one record lies. A record stored at a folder lives in its record file there,
// and removing it removes the folder.
struct Location {
    QString recordFile;
    QString folder; // empty for a record stored as a file
};

// A location found by listing, with its record file's links resolved (empty when
// the listing did not resolve it).
struct FoundRecord {
    Location location;
    QString real;
};

// Locations of the records at path (clean, absolute): the file itself; for a folder
// its own record, its other files and its subfolders' records, by name.
std::vector<FoundRecord> recordLocations(const QString& path)
{
    const QFileInfo info(path);
    if (info.isFile())
        return { FoundRecord { Location { path, QString() }, QString() } };
    if (!info.isDir())
        return {};

    std::vector<std::pair<QString, FoundRecord>> found;
    QSet<QString> seen; // a link must not bring one record twice
    const QDir folder(path);
    // A plain file's real path is the folder's real path and its name: one
    // resolution for the folder rather than one per file.
    const QString realFolder = info.canonicalFilePath();
    const auto entries = folder.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        Location location;
        if (entry.isDir()) {
            location
                = { QDir(entry.filePath()).filePath(PersistenceService::RecordFileName), entry.filePath() };
            if (!QFileInfo(location.recordFile).isFile())
                continue;
        } else if (isObviouslyNotARecord(entry)) {
            continue;
        } else {
            const bool own = entry.fileName() == QLatin1String(PersistenceService::RecordFileName);
            location = { entry.filePath(), own ? path : QString() };
        }
        const QString real = entry.isFile() && !entry.isSymLink() && !realFolder.isEmpty()
            ? realFolder + QLatin1Char('/') + entry.fileName()
            : QFileInfo(location.recordFile).canonicalFilePath();
        if (seen.contains(real))
            continue;
        seen.insert(real);
        found.emplace_back(entry.fileName(), FoundRecord { std::move(location), real });
    }
    // Plain code unit order: the same on every run and every locale.
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    std::vector<FoundRecord> result;
    for (auto& [name, record] : found)
        result.push_back(std::move(record));
    return result;
}

// Writes record to file atomically, creating missing folders; true once committed.
bool writeRecordFile(const Serialize::ISerializable& record, const QString& file)
{
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    try {
        Serialize::OutputArchive archive(&out);
        record.save(archive);
        // commit() would rename a file whose buffered tail failed to reach the disk
        // (full disk, file size limit): flushing first tells.
        if (!archive.finish() || !out.flush())
            return false;
    } catch (const std::invalid_argument& error) {
        qWarning().noquote() << "persistence: cannot write" << file << ":" << error.what();
        return false;
    }
    return out.commit();
}

// Answers the three requests of one item type.
template <class T>
class Endpoint
    : private PubSub::Publisher<StorePersistentItemNotification<T>, LoadPersistentItemNotification<T>>,
      private PubSub::Subscriber<StorePersistentItemRequest<T>, LoadPersistentItemRequest<T>,
          RemovePersistentItemRequest<T>> {
public:
    explicit Endpoint(const ServedFolders& folders)
        : m_folders(folders)
    {
        this->template subscribeAll<PersistentItem<T>>();
        this->template subscribeAll<T>();
    }

private:
    using Filter = typename LoadPersistentItemRequest<T>::Filter;
    using Key = std::pair<std::type_index, std::string>;
    struct Entry {
        Location location;
        Key key;
    };

    void handle(const StorePersistentItemRequest<T>& request) override
    {
        StorePersistentItemNotification<T> answer;
        answer.object = request.object;
        answer.success = request.object && store(*request.object, QString::fromStdString(request.path));
        this->publish(answer);
    }

    void handle(const LoadPersistentItemRequest<T>& request) override
    {
        LoadPersistentItemNotification<T> answer;
        answer.object = request.object;
        try {
            if (request.object)
                load(QString::fromStdString(request.path), request.filter, answer.items);
            this->publish(answer);
        } catch (...) {
            for (const PersistentItem<T>& record : answer.items) {
                m_byItem.erase(record.item);
                delete record.item;
            }
            throw;
        }
    }

    void handle(const RemovePersistentItemRequest<T>& request) override
    {
        const T* item = request.object;
        if (!item)
            return;
        if (const auto known = m_byItem.find(item); known != m_byItem.end()) {
            const Location location = known->second.location;
            if (removeIfHolds(location, *item))
                return;
            m_byItem.erase(item); // the address now belongs to another object, or the file changed
        }
        if (const auto known = m_byId.find(keyOf(*item)); known != m_byId.end()) {
            const Location location = known->second;
            if (!removeIfHolds(location, *item))
                m_byId.erase(keyOf(*item));
        }
    }

    bool store(const PersistentItem<T>& record, const QString& requested)
    {
        if (requested.isEmpty() || !isUsablePath(requested))
            return false;
        const QString path = cleanAbsolute(requested);
        if (!m_folders.serves(path)) {
            qWarning().noquote() << "persistence: refusing to write outside the served folders:" << path;
            return false;
        }
        Location location { path, QString() };
        if (QFileInfo(path).isDir())
            location = { QDir(path).filePath(PersistenceService::RecordFileName), path };
        // A folder's listing skips hidden files, so such a record would never be read back.
        if (QFileInfo(location.recordFile).fileName().startsWith(QLatin1Char('.'))) {
            qWarning().noquote() << "persistence: refusing a hidden record file:" << location.recordFile;
            return false;
        }
        if (QFileInfo::exists(location.recordFile) && !holdsSameItem(location.recordFile, record.item)) {
            qWarning().noquote() << "persistence: refusing to replace what is not this item's record:"
                                 << location.recordFile;
            return false;
        }
        if (!writeRecordFile(record, location.recordFile))
            return false;
        remember(record.item, location);
        return true;
    }

    void load(const QString& requested, const Filter& filter, std::deque<PersistentItem<T>>& records)
    {
        if (requested.isEmpty() || !isUsablePath(requested))
            return;
        const QString path = cleanAbsolute(requested);
        if (!m_folders.serves(path)) {
            qWarning().noquote() << "persistence: refusing to read outside the served folders:" << path;
            return;
        }
        const ServedFolders::Snapshot served = m_folders.now();
        for (const auto& [location, real] : recordLocations(path)) {
            if (!served.serves(location.recordFile, real.isEmpty() ? resolved(location.recordFile) : real))
                continue;
            std::optional<PersistentItem<T>> record = readRecord(location.recordFile);
            if (!record)
                continue;
            std::unique_ptr<const T> owner(record->item);
            if (filter && !filter(*record))
                continue;
            records.push_back(std::move(*record));
            owner.release();
            remember(records.back().item, location);
        }
    }

    // The record in file with its item handed to the caller, or nothing (with a
    // warning) when file holds no readable record of this item type.
    static std::optional<PersistentItem<T>> readRecord(const QString& file)
    {
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly)) {
            qWarning().noquote() << "persistence: cannot read" << file;
            return std::nullopt;
        }
        try {
            Serialize::InputArchive archive(&in);
            if (archive.peekNodeName() != QLatin1String(PersistentItem<T>::NameInArchive())) {
                qWarning().noquote() << "persistence: skipping" << file << ": not a"
                                     << PersistentItem<T>::NameInArchive();
                return std::nullopt;
            }
            PersistentItem<T> record;
            record.restore(archive);
            std::unique_ptr<const T> owner(record.item);
            archive.finish();
            owner.release();
            return record;
        } catch (const Serialize::ArchiveError& error) {
            qWarning().noquote() << "persistence: skipping damaged" << file << ":" << error.what();
        } catch (const std::bad_cast&) {
            qWarning().noquote() << "persistence: skipping" << file
                                 << ": its item is not of the expected type";
        }
        return std::nullopt;
    }

    // Whether the record in file is one of item's: rewriting it loses no other item.
    static bool holdsSameItem(const QString& file, const T* item)
    {
        std::optional<PersistentItem<T>> stored = readRecord(file);
        if (!stored)
            return false;
        const std::unique_ptr<const T> storedItem(stored->item);
        return item && storedItem && keyOf(*storedItem) == keyOf(*item);
    }

    // Deletes the record at location if it is item's (same type and id). False when
    // it is not, so the index entry that led here is stale.
    bool removeIfHolds(const Location& location, const T& item)
    {
        if (!m_folders.serves(location.recordFile)) {
            qWarning().noquote() << "persistence: not removing outside the served folders:"
                                 << location.recordFile;
            return true;
        }
        if (!holdsSameItem(location.recordFile, &item))
            return false;

        if (deletesWholeFolder(location))
            QDir(location.folder).removeRecursively();
        else
            QFile::remove(location.recordFile);
        forget(location);
        return true;
    }

    bool deletesWholeFolder(const Location& location) const
    {
        return !location.folder.isEmpty() && m_folders.serves(location.folder)
            && !m_folders.holdsServedFolder(location.folder) && !QFileInfo(location.folder).isSymLink()
            && !holdsOtherRecords(location.folder, location.recordFile);
    }

    static Key keyOf(const T& item) { return Key(typeid(item), item.id); }

    void remember(const T* item, const Location& location)
    {
        if (!item)
            return;
        const Key key = keyOf(*item);
        m_byItem.insert_or_assign(item, Entry { location, key });
        m_byId.insert_or_assign(key, location);
    }

    void forget(const Location& location)
    {
        for (auto it = m_byItem.begin(); it != m_byItem.end();)
            it = it->second.location.recordFile == location.recordFile ? m_byItem.erase(it) : std::next(it);
        for (auto it = m_byId.begin(); it != m_byId.end();)
            it = it->second.recordFile == location.recordFile ? m_byId.erase(it) : std::next(it);
    }

    const ServedFolders& m_folders;
    std::unordered_map<const T*, Entry> m_byItem;
    std::map<Key, Location> m_byId;
};

} // namespace

struct PersistenceService::Endpoints {
    ServedFolders folders;
    Endpoint<Effect::Object> effects { folders };
    Endpoint<Import::Object> imports { folders };
    Endpoint<Overlay::Preset> overlays { folders };
};

PersistenceService::PersistenceService()
    : m_endpoints(std::make_unique<Endpoints>())
{
}

PersistenceService::~PersistenceService() = default;

void PersistenceService::allowFolder(const QString& path)
{
    m_endpoints->folders.allow(path);
}

} // namespace Services
