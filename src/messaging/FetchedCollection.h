#pragma once

#include "CollectionHelper.h"
#include "ContainerView.h"

namespace EditorCollection {

// Fetches the helper's collection. When no container comes back, the collection
// is treated as empty: every caller in the library reads it through here.
template<class T>
const Container<T>& fetchCollection(CollectionHelper<T>& helper)
{
    static const Container<T> empty;
    const Container<T>* delivered = helper.getCollection().collection;
    return delivered ? *delivered : empty;
}

} // namespace EditorCollection
