#pragma once

#include "Host.h"

#include <ContainerView.h>
#include <Model/Translator.h>
#include <PersistentItem.h>
#include <QString>
#include <Services/CollectionService.h>
#include <deque>
#include <string>

namespace Cli {

// The items of a collection in collection order; none when it was never filled.
template <class T>
std::deque<const T*> items(Host& host, const std::string& collectionId)
{
    const EditorCollection::Container<T>* container = host.collections().template container<T>(collectionId);
    return container ? container->items : std::deque<const T*>();
}

// The first item of the collection whose display name is name and that passes pick.
template <class T, class Pick>
const T* findNamed(Host& host, const std::string& collectionId, const QString& name, Pick pick)
{
    for (const T* item : items<T>(host, collectionId)) {
        if (Translator::translate(item->id) == name && pick(*item))
            return item;
    }
    return nullptr;
}

// Whether folder still holds a record of the item with id, as the next run would read it:
// a removal asks without an answer, so this is how the program learns it failed.
template <class T>
bool storedIn(const QString& folder, const std::string& id)
{
    bool found = false;
    for (const auto& record : EditorCollection::PersistentItemHelper<T>().load(folder.toStdString())) {
        found = found || (record.item && record.item->id == id);
        delete record.item;
    }
    return found;
}

// What the user sees an item called: its translated id.
template <class T>
QString displayName(const T& item)
{
    return Translator::translate(item.id);
}

} // namespace Cli
