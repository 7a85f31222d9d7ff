#pragma once

#include <QSet>
#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace EditorCollection {
template <class T>
class Container;
}

namespace Services {

// Keeps the collections of Effect::Object, Import::Object and Overlay::Preset from
// construction to destruction: answers their get-collection and register requests,
// owns every container and every item registered in one, and applies the change
// requests of the views that follow them (items that leave a collection are deleted).
// It takes every registration: the item is its own from then on.
class CollectionService {
public:
    CollectionService();
    // Announces Removed for every container, then deletes containers and items.
    ~CollectionService();
    CollectionService(const CollectionService&) = delete;
    CollectionService& operator=(const CollectionService&) = delete;

    // The container of collectionId as it is, or null when there is none yet.
    template <class T>
    const EditorCollection::Container<T>* container(const std::string& collectionId) const;
    // The container of collectionId, created empty (and announced to the followers)
    // when there is none yet; the records of T are loaded first when
    // loadWhenFirstNeeded asked for that.
    template <class T>
    const EditorCollection::Container<T>& collection(const std::string& collectionId);
    // The ids of the collections of item type T, in order, after loading as
    // collection() does.
    template <class T>
    std::vector<std::string> collectionIds();

    // Loads the records at path (a file or a folder) through the persistence service
    // and registers each in the collection its collectionId names. An item whose id
    // a collection lists already (registered or loaded before) stays out of it.
    template <class T>
    void loadFolder(const QString& path);
    // The whole layout below dataRoot: every folder in effects/ as effects, intros/
    // and imports/ as imports, overlays/ as overlay presets. Missing folders are skipped.
    void loadFolder(const QString& dataRoot);
    // The same layout, one item type at a time: the collections of a type are loaded
    // when one of them is first asked for, so that a caller that needs one type of
    // item reads no files of the others.
    void loadWhenFirstNeeded(const QString& dataRoot);
    // From now on the folders of the layout are watched as they are loaded (call it
    // before loading): what other processes save, rename, replace or remove there
    // reaches the collections within a second, as ordinary changes, a burst of files
    // as a few. The entries of a watched folder are read one by one, and afterwards
    // only those whose files changed. Needs an event loop on this service's thread.
    void watchForChanges();

private:
    template <class T>
    void loadFolders(const QString& dataRoot);
    template <class T>
    void refresh(const QString& dataRoot, const QSet<QString>& changed);
    void changed(const QSet<QString>& paths);

    struct Keepers;
    std::unique_ptr<Keepers> m_keepers;
    struct Watch;
    std::unique_ptr<Watch> m_watch;
};

} // namespace Services
