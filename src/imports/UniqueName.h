#pragma once

// Proposing a display name that no item of a collection shows yet; shared by the
// user collections and the overlay presets.

#include "EditorServices.h"
#include "FetchedCollection.h"

#include <QChar>
#include <QRegExp>
#include <QSet>
#include <QString>
#include <functional>

namespace Import {
namespace Details {

// The display names of the items that filter accepts. A set, so that looking up
// every numbered candidate stays linear in the size of the collection.
template <class T>
QSet<QString> takenNames(
    const EditorCollection::Container<T>& collection, const std::function<bool(const T*)>& filter)
{
    QSet<QString> names;
    names.reserve(static_cast<int>(collection.items.size()));
    for (const T* item : collection.items)
        if (item && filter(item))
            names.insert(Translator::translate(item->id));
    return names;
}

// name without one trailing "_<digits>": numbering restarts from the stem.
inline QString nameStem(const QString& name)
{
    return QString(name).remove(QRegExp(QStringLiteral("_\\d+$"), Qt::CaseSensitive, QRegExp::RegExp));
}

// stem_01, stem_02, ... stem_99, stem_100, ...: the first one not taken.
inline QString firstFreeVariant(const QString& stem, const QSet<QString>& taken)
{
    for (int counter = 1;; ++counter) {
        const QString candidate = stem + QStringLiteral("_%1").arg(counter, 2, 10, QChar('0'));
        if (!taken.contains(candidate))
            return candidate;
    }
}

// name itself when no accepted item of the helper's collection shows it, else the
// first free numbered variant of its stem. Names are compared exactly.
template <class T>
QString uniqueName(EditorCollection::CollectionHelper<T>& helper, const QString& name,
    const std::function<bool(const T*)>& filter)
{
    const QSet<QString> taken = takenNames(EditorCollection::fetchCollection(helper), filter);
    if (!taken.contains(name))
        return name;
    return firstFreeVariant(nameStem(name), taken);
}

} // namespace Details
} // namespace Import
