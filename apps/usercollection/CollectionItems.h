#pragma once

#include "Host.h"

#include <ContainerView.h>
#include <Model/Translator.h>
#include <QString>
#include <Services/CollectionService.h>
#include <Services/PersistenceService.h>
#include <deque>
#include <string>

namespace Cli {

// The items of a collection in collection order.
template <class T>
const std::deque<const T*>& items(Host& host, const std::string& collectionId)
{
    return host.collections().template collection<T>(collectionId).items;
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

// Whether the last removal deleted the item's records: the remove request has no
// answer, so the persistence service is asked how it went.
inline bool removalSucceeded(Host& host)
{
    return host.persistence().lastRemoval() == Services::PersistenceService::Removal::Removed;
}

// What the user sees an item called: its translated id.
template <class T>
QString displayName(const T& item)
{
    return Translator::translate(item.id);
}

} // namespace Cli
