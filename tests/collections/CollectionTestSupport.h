#pragma once

#include <CollectionHelper.h>
#include <ContainerView.h>
#include <Records.h>

namespace Testing {

// Registers item in collectionId over the bus, as a caller does with a loaded record;
// the collection service takes the item over.
template <class T>
void registerIn(const std::string& collectionId, const T* item,
    std::shared_ptr<const Types::Image> preview = {}, std::set<std::string> categories = {})
{
    EditorCollection::PersistentItem<T> record = recordOf(item, collectionId);
    record.preview = std::move(preview);
    record.categories = std::move(categories);
    EditorCollection::CollectionHelper<T>(collectionId).registerItem(&record, 1);
}

inline const Import::Object* newImport(const std::string& id)
{
    return new Import::Object(withId<Import::Object>(id));
}

} // namespace Testing
