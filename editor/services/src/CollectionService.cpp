#include "CollectionKeeper.h"
#include "FolderWatch.h"
#include "ServiceLogging.h"
#include <Model/EffectObject.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <Services/CollectionService.h>
#include <Services/PersistenceService.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <exception>
#include <tuple>

namespace Services {

namespace {

// The folders below dataRoot that hold the records of item type T.
template <class T>
QStringList foldersOf(const QString& dataRoot);

template <>
QStringList foldersOf<Effect::Object>(const QString& dataRoot)
{
    const QDir effects(QDir(dataRoot).filePath(QStringLiteral("effects")));
    QStringList folders;
    for (const QString& type : effects.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        folders << effects.filePath(type);
    return folders;
}

template <>
QStringList foldersOf<Import::Object>(const QString& dataRoot)
{
    const QDir root(dataRoot);
    return { root.filePath(QStringLiteral("intros")), root.filePath(QStringLiteral("imports")) };
}

template <>
QStringList foldersOf<Overlay::Preset>(const QString& dataRoot)
{
    return { QDir(dataRoot).filePath(QStringLiteral("overlays")) };
}

// What the watch knows of one entry of a watched folder (a record file, or a folder
// with a record stored at it): when and how big its record was, and the ids it held.
struct Entry {
    QDateTime modified;
    QDateTime changed;
    qint64 size = -1;
    std::vector<std::string> ids;

    bool sameStamp(const Entry& other) const
    {
        return modified == other.modified && changed == other.changed && size == other.size;
    }
};
using Entries = std::map<QString, Entry>;

// The entries of folder as a load of it reads them, with their stamps: a save
// replaces the file, which changes its times.
Entries scan(const QString& folder)
{
    Entries entries;
    const QDir dir(folder);
    for (const QFileInfo& info :
        dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        QFileInfo record = info;
        if (info.isDir())
            record = QFileInfo(
                QDir(info.filePath()).filePath(QLatin1String(PersistenceService::RecordFileName)));
        else if (!PersistenceService::isRecordFileName(info.fileName()))
            continue;
        if (!record.isFile())
            continue;
        Entry& entry = entries[info.filePath()];
        entry.modified = record.lastModified();
        entry.changed = record.metadataChangeTime();
        entry.size = record.size();
    }
    return entries;
}

template <class T>
struct WatchedType {
    bool watched = false;
    std::map<QString, Entries> folders;
};

} // namespace

struct CollectionService::Watch {
    explicit Watch(CollectionService* service)
        : folders([service](const QSet<QString>& paths) { service->changed(paths); })
    {
    }

    template <class T>
    WatchedType<T>& of()
    {
        return std::get<WatchedType<T>>(types);
    }

    QString dataRoot;
    FolderWatch folders;
    std::tuple<WatchedType<Effect::Object>, WatchedType<Import::Object>, WatchedType<Overlay::Preset>> types;
};

struct CollectionService::Keepers {
    template <class T>
    CollectionKeeper<T>& of()
    {
        return std::get<CollectionKeeper<T>>(all);
    }

    std::tuple<CollectionKeeper<Effect::Object>, CollectionKeeper<Import::Object>,
        CollectionKeeper<Overlay::Preset>>
        all;
};

CollectionService::CollectionService()
    : m_keepers(std::make_unique<Keepers>())
{
}

// The watch goes first: nothing reloads while the keepers go.
CollectionService::~CollectionService()
{
    m_watch.reset();
}

template <class T>
const EditorCollection::Container<T>* CollectionService::container(const std::string& collectionId) const
{
    return m_keepers->of<T>().find(collectionId);
}

template <class T>
const EditorCollection::Container<T>& CollectionService::collection(const std::string& collectionId)
{
    CollectionKeeper<T>& keeper = m_keepers->of<T>();
    keeper.loadIfPending();
    return keeper.collection(collectionId);
}

template <class T>
std::vector<std::string> CollectionService::collectionIds()
{
    CollectionKeeper<T>& keeper = m_keepers->of<T>();
    keeper.loadIfPending();
    return keeper.ids();
}

template <class T>
void CollectionService::loadFolder(const QString& path)
{
    if (!QFileInfo::exists(path))
        return;
    EditorCollection::LoadedRecords<T> records
        = EditorCollection::PersistentItemHelper<T>().loadRecords(path.toStdString());
    m_keepers->of<T>().registerLoaded(records);
}

template <class T>
void CollectionService::loadFolders(const QString& dataRoot)
{
    if (!m_watch) {
        for (const QString& folder : foldersOf<T>(dataRoot))
            loadFolder<T>(folder);
        return;
    }
    m_watch->dataRoot = dataRoot;
    m_watch->of<T>().watched = true;
    refresh<T>(dataRoot, {});
}

void CollectionService::watchForChanges()
{
    if (!m_watch)
        m_watch = std::make_unique<Watch>(this);
}

// Reads the entries of the folders of T that are new or changed since the last
// look, and hands the collections one change for them all.
template <class T>
void CollectionService::refresh(const QString& dataRoot, const QSet<QString>& changed)
{
    WatchedType<T>& watched = m_watch->of<T>();
    m_watch->folders.watch(dataRoot);
    m_watch->folders.watch(QDir(dataRoot).filePath(QStringLiteral("effects")));
    QStringList folders = foldersOf<T>(dataRoot);
    for (const auto& known : watched.folders) {
        if (!folders.contains(known.first))
            folders << known.first;
    }

    EditorCollection::LoadedRecords<T> loaded;
    std::unordered_set<std::string> gone;
    for (const QString& folder : folders) {
        const auto known = watched.folders.find(folder);
        // A folder made since the last look shows as a change of its parent.
        if (known != watched.folders.end() && !changed.contains(folder)
            && !changed.contains(QFileInfo(folder).path()))
            continue;
        m_watch->folders.watch(folder);
        Entries before = known == watched.folders.end() ? Entries() : std::move(known->second);
        Entries now = scan(folder);
        // An intro's record is written, and rewritten, inside its own folder, which may
        // hold no record yet.
        const QDir dir(folder);
        for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            m_watch->folders.watch(dir.filePath(sub));
        for (auto& [path, entry] : now) {
            const auto was = before.find(path);
            if (was != before.end() && was->second.sameStamp(entry)) {
                entry.ids = std::move(was->second.ids);
                continue;
            }
            if (was != before.end())
                gone.insert(was->second.ids.begin(), was->second.ids.end());
            EditorCollection::LoadedRecords<T> records
                = EditorCollection::PersistentItemHelper<T>().loadRecords(path.toStdString());
            for (auto& record : std::move(records).release()) {
                if (record.item)
                    entry.ids.push_back(record.item->id);
                loaded.append(std::move(record));
            }
        }
        for (const auto& [path, entry] : before) {
            if (!now.count(path)) {
                gone.insert(entry.ids.begin(), entry.ids.end());
                m_watch->folders.forget(path);
            }
        }
        watched.folders[folder] = std::move(now);
    }
    // An id that another entry still holds stays.
    if (!gone.empty()) {
        for (const auto& folder : watched.folders)
            for (const auto& entry : folder.second)
                for (const std::string& id : entry.second.ids)
                    gone.erase(id);
    }
    m_keepers->of<T>().reconcile(loaded, gone);
}

void CollectionService::changed(const QSet<QString>& paths)
{
    // A change inside an entry's own folder is a change of the folder that holds it.
    QSet<QString> folders = paths;
    for (const QString& path : paths)
        folders.insert(QFileInfo(path).path());
    const QString& root = m_watch->dataRoot;
    // Called from the event loop, which must not see an exception; the next change
    // looks again.
    try {
        if (m_watch->of<Effect::Object>().watched)
            refresh<Effect::Object>(root, folders);
        if (m_watch->of<Import::Object>().watched)
            refresh<Import::Object>(root, folders);
        if (m_watch->of<Overlay::Preset>().watched)
            refresh<Overlay::Preset>(root, folders);
    } catch (const std::exception& error) {
        qCWarning(lcCollections, "cannot follow the changes of %s: %s", qUtf8Printable(root), error.what());
    }
}

void CollectionService::loadFolder(const QString& dataRoot)
{
    loadFolders<Effect::Object>(dataRoot);
    loadFolders<Import::Object>(dataRoot);
    loadFolders<Overlay::Preset>(dataRoot);
}

void CollectionService::loadWhenFirstNeeded(const QString& dataRoot)
{
    m_keepers->of<Effect::Object>().loadOnFirstUse(
        [this, dataRoot] { loadFolders<Effect::Object>(dataRoot); });
    m_keepers->of<Import::Object>().loadOnFirstUse(
        [this, dataRoot] { loadFolders<Import::Object>(dataRoot); });
    m_keepers->of<Overlay::Preset>().loadOnFirstUse(
        [this, dataRoot] { loadFolders<Overlay::Preset>(dataRoot); });
}

template const EditorCollection::Container<Effect::Object>* CollectionService::container<Effect::Object>(
    const std::string&) const;
template const EditorCollection::Container<Import::Object>* CollectionService::container<Import::Object>(
    const std::string&) const;
template const EditorCollection::Container<Overlay::Preset>* CollectionService::container<Overlay::Preset>(
    const std::string&) const;
template const EditorCollection::Container<Effect::Object>& CollectionService::collection<Effect::Object>(
    const std::string&);
template const EditorCollection::Container<Import::Object>& CollectionService::collection<Import::Object>(
    const std::string&);
template const EditorCollection::Container<Overlay::Preset>& CollectionService::collection<Overlay::Preset>(
    const std::string&);

template std::vector<std::string> CollectionService::collectionIds<Effect::Object>();
template std::vector<std::string> CollectionService::collectionIds<Import::Object>();
template std::vector<std::string> CollectionService::collectionIds<Overlay::Preset>();

template void CollectionService::loadFolder<Effect::Object>(const QString&);
template void CollectionService::loadFolder<Import::Object>(const QString&);
template void CollectionService::loadFolder<Overlay::Preset>(const QString&);

} // namespace Services
