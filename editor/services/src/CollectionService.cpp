#include "CollectionKeeper.h"
#include <Model/EffectObject.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <Services/CollectionService.h>

#include <QDir>
#include <QFileInfo>
#include <QStringList>

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

} // namespace

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

CollectionService::~CollectionService() = default;

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
    for (const QString& folder : foldersOf<T>(dataRoot))
        loadFolder<T>(folder);
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
