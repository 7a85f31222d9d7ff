#pragma once

#include "Host.h"

#include <ContainerView.h>
#include <Model/Translator.h>
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

// What the user sees an item called: its translated id.
template <class T>
QString displayName(const T& item)
{
    return Translator::translate(item.id);
}

} // namespace Cli
