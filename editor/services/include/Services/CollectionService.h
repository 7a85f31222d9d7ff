#pragma once

#include <QString>
#include <memory>
#include <string>

namespace EditorCollection {
template <class T>
class Container;
}

namespace Services {

// Keeps the collections of Effect::Object, Import::Object and Overlay::Preset from
// construction to destruction: answers their get-collection and register requests,
// owns every container and every item registered in one, and applies the change
// requests of the views that follow them (items that leave a collection are deleted).
class CollectionService {
public:
    CollectionService();
    // Announces Removed for every container, then deletes containers and items.
    ~CollectionService();
    CollectionService(const CollectionService&) = delete;
    CollectionService& operator=(const CollectionService&) = delete;

    // The container of collectionId, or null when nobody has asked for it yet.
    template <class T>
    const EditorCollection::Container<T>* container(const std::string& collectionId) const;

    // Loads the records at path (a file or a folder) through the persistence service
    // and registers each in the collection its collectionId names; the items of
    // records without a collection id are deleted.
    template <class T>
    void loadFolder(const QString& path);
    // The whole layout below dataRoot: every folder in effects/ as effects, intros/
    // and imports/ as imports, overlays/ as overlay presets. Missing folders are skipped.
    void loadFolder(const QString& dataRoot);

private:
    struct Keepers;
    std::unique_ptr<Keepers> m_keepers;
};

} // namespace Services
