#pragma once

// Storing a record and reading it back, each through a fresh helper; shared by the
// user collections and the overlay presets.

#include "PersistentItem.h"

#include <QString>
#include <deque>
#include <optional>
#include <set>

namespace Import {
namespace Details {

// Whether the persistence service confirmed writing record at path.
template <class T>
bool storeRecord(const EditorCollection::PersistentItem<T>& record, const QString& path)
{
    EditorCollection::PersistentItemHelper<T> helper;
    return helper.store(&record, path.toStdString());
}

// The one record read back from path. Any other answer is discarded together with
// the items it carries, since nobody else will take them.
template <class T>
std::optional<EditorCollection::PersistentItem<T>> loadSingleRecord(const QString& path)
{
    std::deque<EditorCollection::PersistentItem<T>> records
        = EditorCollection::PersistentItemHelper<T>().load(path.toStdString());
    if (records.size() == 1)
        return std::move(records.front());
    std::set<const T*> items;
    for (const EditorCollection::PersistentItem<T>& record : records)
        items.insert(record.item);
    for (const T* item : items)
        delete item;
    return std::nullopt;
}

} // namespace Details
} // namespace Import
