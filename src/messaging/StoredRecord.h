#pragma once

// Storing one record and reading records back, each through a fresh helper; shared
// by the user collections and the overlay presets.

#include "LoadedRecords.h"
#include "PersistentItem.h"

#include <QString>

namespace EditorCollection {

// Whether the persistence service confirmed writing record at path.
template <class T>
bool storeRecord(const PersistentItem<T>& record, const QString& path)
{
    PersistentItemHelper<T> helper;
    return helper.store(&record, path.toStdString());
}

// The records read back from path; their items are the caller's.
template <class T>
LoadedRecords<T> readBack(const QString& path)
{
    PersistentItemHelper<T> helper;
    return helper.loadRecords(path.toStdString());
}

} // namespace EditorCollection
