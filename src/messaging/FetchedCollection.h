#pragma once

#include "CollectionHelper.h"
#include "ContainerView.h"
#include "LoadedRecords.h"

#include <cstddef>

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

// Registers record index of loaded in the helper's collection and hands its item to
// the collection service, which claims it while it takes the registration. The
// registration has no answer: once it is sent, the item is the collection's,
// claimed or not. Should sending throw before a collection claimed the item,
// loaded keeps it and frees it. Returns the item.
template <class T>
const T* registerLoaded(CollectionHelper<T>& helper, LoadedRecords<T>& loaded, std::size_t index)
{
    const PersistentItem<T>& record = loaded[index];
    {
        const typename LoadedRecords<T>::Offer offer(loaded, &record);
        helper.registerItem(&record, RegisterMode);
    }
    loaded.handOver(index);
    return record.item;
}

} // namespace EditorCollection
