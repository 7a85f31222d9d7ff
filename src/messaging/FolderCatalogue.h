#pragma once

// The catalogue of a data folder: which file names are records, and which record of an
// item is the listed one. The persistence service's listing, the check of a data
// folder and the packs decide by these rules alone, so that they cannot disagree.

#include "ItemKinds.h"

#include <QString>
#include <QUuid>

#include <cstddef>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace EditorCollection {
namespace Catalogue {

// The file that holds the record stored at a folder, and the bundle the library
// writes beside an intro's record.
inline QString recordFileName()
{
    return QStringLiteral("record.xml");
}
inline QString bundleName()
{
    return QStringLiteral("intro.bundle");
}

inline bool isBracedUuid(const QString& name)
{
    return name.size() == 38 && name.startsWith(QLatin1Char('{')) && !QUuid(name).isNull();
}

// What an interrupted save of a file called finalName leaves behind: the name, a dot
// and six letters or digits (QSaveFile's temporary).
inline bool isSaveTemporaryOf(const QString& fileName, const QString& finalName)
{
    constexpr int SuffixLength = 6;
    if (fileName.size() != finalName.size() + 1 + SuffixLength || !fileName.startsWith(finalName)
        || fileName[finalName.size()] != QLatin1Char('.'))
        return false;
    for (int i = finalName.size() + 1; i < fileName.size(); ++i) {
        if (fileName[i].unicode() > 0x7f || !fileName[i].isLetterOrNumber())
            return false;
    }
    return true;
}

// Whether fileName is such a leftover of one of the library's own files (a record
// stored at a folder, a bundle, a file named by a braced UUID) or of an import's
// record as the host names them.
inline bool isLeftoverSave(const QString& fileName)
{
    const int dot = fileName.size() - 7;
    if (dot < 1)
        return false;
    const QString finalName = fileName.left(dot);
    return (finalName == recordFileName() || finalName.endsWith(QLatin1String(".bundle"))
               || finalName.endsWith(QLatin1String(".import")) || isBracedUuid(finalName))
        && isSaveTemporaryOf(fileName, finalName);
}

// Whether a file called fileName is a record a caller may store and a folder's
// listing reads: not hidden, not a bundle, not the name of a record stored at a
// folder, not what an interrupted save leaves behind.
inline bool isRecordName(const QString& fileName)
{
    return !fileName.isEmpty() && !fileName.startsWith(QLatin1Char('.')) && fileName != recordFileName()
        && !fileName.endsWith(QLatin1String(".bundle")) && !isLeftoverSave(fileName);
}

// Whether entry (a record file's name, or for a record stored at a folder that
// folder's name) is the name the library gives the record of the item id of kind.
inline bool hasOwnName(const ItemKind& kind, const QString& entry, const std::string& id)
{
    switch (kind.naming) {
    case FileNaming::ById:
    case FileNaming::FolderById:
        return entry == QString::fromStdString(id);
    case FileNaming::ByUuid:
        break;
    }
    return isBracedUuid(entry);
}

// One readable record of a folder's listing.
struct Entry {
    QString folder; // the folder whose listing holds it
    QString name; // its file's name, or the name of the folder it is stored at
    const ItemKind* kind; // null for an item of no kind
    std::string id; // its item's id
};

// For each entry (in file-name order), the index of the listed record of its item:
// of the records of one kind and id in one folder, the one under the library's own
// name, else the first by file name. An entry listed is its own index.
inline std::vector<std::size_t> listedOf(const std::vector<Entry>& entries)
{
    // Ids first: they tell entries apart within a character or two, where the folders
    // are all alike.
    using Key = std::tuple<std::string, const ItemKind*, QString>;
    std::map<Key, std::size_t> listed;
    std::vector<std::map<Key, std::size_t>::const_iterator> itemOf;
    itemOf.reserve(entries.size());
    for (std::size_t index = 0; index < entries.size(); ++index) {
        const Entry& entry = entries[index];
        const auto [known, added] = listed.emplace(Key(entry.id, entry.kind, entry.folder), index);
        itemOf.push_back(known);
        if (added || !entry.kind)
            continue;
        const Entry& first = entries[known->second];
        if (!hasOwnName(*first.kind, first.name, first.id) && hasOwnName(*entry.kind, entry.name, entry.id))
            known->second = index;
    }
    std::vector<std::size_t> result;
    result.reserve(entries.size());
    for (const auto& item : itemOf)
        result.push_back(item->second);
    return result;
}

} // namespace Catalogue
} // namespace EditorCollection
