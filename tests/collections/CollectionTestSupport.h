#pragma once

#include <CollectionHelper.h>
#include <ContainerView.h>
#include <QColor>
#include <QPixmap>
#include <memory>
#include <string>

namespace Testing {

inline std::shared_ptr<const Types::Image> filledImage(const QColor& color, int size = 16)
{
    QPixmap pixmap(size, size);
    pixmap.fill(color);
    return std::make_shared<const Types::Image>(pixmap);
}

// Registers item in collectionId over the bus, as a caller does with a loaded record;
// the collection service takes the item over.
template <class T>
void registerIn(const std::string& collectionId, const T* item,
    std::shared_ptr<const Types::Image> preview = {}, std::set<std::string> categories = {})
{
    EditorCollection::PersistentItem<T> record;
    record.item = item;
    record.collectionId = collectionId;
    record.preview = std::move(preview);
    record.categories = std::move(categories);
    EditorCollection::CollectionHelper<T>(collectionId).registerItem(&record, 1);
}

inline const Import::Object* newImport(const std::string& id)
{
    auto* item = new Import::Object;
    item->id = id;
    return item;
}

} // namespace Testing
