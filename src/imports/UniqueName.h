#pragma once

// Proposing a display name that no item of a collection shows yet; shared by the
// user collections and the overlay presets.

#include "EditorServices.h"
#include "FetchedCollection.h"

#include <QChar>
#include <QRegExp>
#include <QString>
#include <QStringList>

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

// The proposal for one wanted name, fed the shown names one by one. Notes whether
// the name is shown and which counters of its stem are; nothing else is kept, so
// the cost stays linear in the number of names.
class NameProposal {
public:
    // count: at most how many names will be shown. Each taken counter needs a name of
    // its own, so the first free one is at most count plus one.
    NameProposal(const QString& name, std::size_t count)
        : m_name(name)
        , m_stem(nameStem(name))
        , m_counterTaken(count + 2)
    {
    }

    void see(const QString& shown)
    {
        m_nameTaken = m_nameTaken || shown == m_name;
        const int counter = variantCounter(shown, m_stem);
        if (counter > 0 && static_cast<std::size_t>(counter) < m_counterTaken.size())
            m_counterTaken[static_cast<std::size_t>(counter)] = true;
    }

    // name itself when no name shown was it, else the first free numbered variant of its stem.
    QString result() const
    {
        if (!m_nameTaken)
            return m_name;
        int counter = 1;
        while (m_counterTaken[static_cast<std::size_t>(counter)])
            ++counter;
        return numberedVariant(m_stem, counter);
    }

private:
    const QString m_name;
    const QString m_stem;
    std::vector<bool> m_counterTaken;
    bool m_nameTaken = false;
};

// name itself when no accepted item of the helper's collection shows it, else the
// first free numbered variant of its stem. Names are compared exactly.
template <class T>
QString uniqueName(EditorCollection::CollectionHelper<T>& helper, const QString& name,
    const std::function<bool(const T*)>& filter)
{
    const EditorCollection::Container<T>& collection = EditorCollection::fetchCollection(helper);
    NameProposal proposal(name, collection.items.size());
    for (const T* item : collection.items) {
        if (item && filter(item))
            proposal.see(Translator::translate(item->id));
    }
    return proposal.result();
}

// The same rule over names taken already.
inline QString uniqueNameAmong(const QStringList& taken, const QString& name)
{
    NameProposal proposal(name, std::size_t(taken.size()));
    for (const QString& shown : taken)
        proposal.see(shown);
    return proposal.result();
}

} // namespace Details
} // namespace Import
