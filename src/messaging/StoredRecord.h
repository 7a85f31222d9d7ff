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

// The save pipeline of the user's items: stores record at path, reads it back and,
// when exactly one record came back, hands it to registerRead, whose result it
// returns (null when storing or reading back failed). Effect presets follow it too,
// through the one helper for both steps that their save is specified with.
template <class T, class Register>
const T* storeAndRegister(const PersistentItem<T>& record, const QString& path, Register registerRead)
{
    if (!storeRecord(record, path))
        return nullptr;
    LoadedRecords<T> stored = readBack<T>(path);
    if (stored.size() != 1)
        return nullptr;
    return registerRead(stored);
}

} // namespace EditorCollection
