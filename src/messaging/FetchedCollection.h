#pragma once

#include "CollectionHelper.h"
#include "ContainerView.h"

#include <algorithm>
#include <memory>

namespace EditorCollection {

// Fetches the helper's collection. When no container comes back, the collection
// is treated as empty: every caller in the library reads it through here.
template <class T>
const Container<T>& fetchCollection(CollectionHelper<T>& helper)
{
    static const Container<T> empty;
    const Container<T>* delivered = helper.getCollection().collection;
    return delivered ? *delivered : empty;
}

// Whether the helper's collection holds item, fetching it when the helper has not
// yet. True when that cannot be found out, so that nothing is deleted twice.
template <class T>
bool collectionHolds(CollectionHelper<T>& helper, const T* item) noexcept
{
    try {
        if (!helper.collection)
            helper.getCollection();
    } catch (...) {
        return true;
    }
    const Container<T>* held = helper.collection;
    return held && std::find(held->items.begin(), held->items.end(), item) != held->items.end();
}

// Registers record, whose item the caller owns through item until the collection
// takes it: item is released once registering returns, and also when registering
// throws after the collection took the item.
template <class T>
void registerOwnedItem(CollectionHelper<T>& helper, const PersistentItem<T>& record,
    std::unique_ptr<const T>& item, int registerMode)
{
    try {
        helper.registerItem(&record, registerMode);
    } catch (...) {
        if (collectionHolds(helper, item.get()))
            item.release();
        throw;
    }
    item.release();
}

} // namespace EditorCollection
