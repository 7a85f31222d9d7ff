#pragma once

// Proposing a display name that no item of a collection shows yet; shared by the
// user collections and the overlay presets.

#include "EditorServices.h"
#include "FetchedCollection.h"

#include <QChar>
#include <QRegExp>
#include <QString>
#include <cstddef>
#include <functional>
#include <vector>

namespace Import {
namespace Details {

// name without one trailing "_<digits>": numbering restarts from the stem.
inline QString nameStem(const QString& name)
{
    return QString(name).remove(QRegExp(QStringLiteral("_\\d+$"), Qt::CaseSensitive, QRegExp::RegExp));
}

inline QString numberedVariant(const QString& stem, int counter)
{
    return stem + QStringLiteral("_%1").arg(counter, 2, 10, QChar('0'));
}

// The counter whose numbered variant of stem is shown, or 0 when shown is none:
// "_" and the counter in decimal, at least two digits, zero-padded.
inline int variantCounter(const QString& shown, const QString& stem)
{
    const int first = stem.size() + 1;
    const int digits = shown.size() - first;
    if (digits < 2 || digits > 9 || !shown.startsWith(stem) || shown[stem.size()] != QLatin1Char('_'))
        return 0;
    if (digits > 2 && shown[first] == QLatin1Char('0'))
        return 0;
    int counter = 0;
    for (int i = first; i < shown.size(); ++i) {
        const char16_t unit = shown[i].unicode();
        if (unit < u'0' || unit > u'9')
            return 0;
        counter = counter * 10 + (unit - u'0');
    }
    return counter;
}

// name itself when no accepted item of the helper's collection shows it, else the
// first free numbered variant of its stem. Names are compared exactly. One pass
// notes whether name is shown and which counters of the stem are; nothing else is
// kept, so the cost stays linear in the size of the collection.
template <class T>
QString uniqueName(EditorCollection::CollectionHelper<T>& helper, const QString& name,
    const std::function<bool(const T*)>& filter)
{
    const EditorCollection::Container<T>& collection = EditorCollection::fetchCollection(helper);
    const QString stem = nameStem(name);
    // Each taken counter needs an item of its own, so the first free one is at
    // most the number of items plus one.
    std::vector<bool> counterTaken(collection.items.size() + 2);
    bool nameTaken = false;
    for (const T* item : collection.items) {
        if (!item || !filter(item))
            continue;
        const QString shown = Translator::translate(item->id);
        nameTaken = nameTaken || shown == name;
        const int counter = variantCounter(shown, stem);
        if (counter > 0 && static_cast<std::size_t>(counter) < counterTaken.size())
            counterTaken[static_cast<std::size_t>(counter)] = true;
    }
    if (!nameTaken)
        return name;
    int counter = 1;
    while (counterTaken[static_cast<std::size_t>(counter)])
        ++counter;
    return numberedVariant(stem, counter);
}

} // namespace Details
} // namespace Import
