#include "CollectionHelper.h"
#include "imports/UniqueName.h"

#include <Import/UserItems.h>

namespace Import {

QString nextFreeName(const UserCollection& collection, const QString& name)
{
    EditorCollection::CollectionHelper<Import::Object> helper(collection.id());
    return Details::uniqueName<Import::Object>(helper, name, [](const Import::Object*) { return true; });
}

} // namespace Import
