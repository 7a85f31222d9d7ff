#include "CollectionHelper.h"
#include "EditorServices.h"
#include "FetchedCollection.h"
#include "FolderCatalogue.h"
#include "RecordEditing.h"
#include "imports/UniqueName.h"
#include <Import/UserItems.h>

#include <QDir>

#include <algorithm>

namespace Import {

QString nextFreeName(const UserCollection& collection, const QString& name)
{
    // An item renamed keeps its id, which a new item named after it must not take.
    EditorCollection::CollectionHelper<Import::Object> helper(collection.id());
    const auto& items = EditorCollection::fetchCollection(helper).items;
    Details::NameProposal proposal(name, 2 * items.size());
    for (const Import::Object* item : items) {
        if (!item)
            continue;
        proposal.see(Translator::translate(item->id));
        proposal.see(QString::fromStdString(item->id));
    }
    return proposal.result();
}

bool renameUserItem(UserCollection& collection, const Import::Object* item, const QString& name)
{
    return EditorCollection::renameRecord(
        item, name, [&](const QString& wanted) { return collection.nameAvailable(wanted, item->kind); });
}

bool removeUserItem(UserCollection& collection, const Import::Object* item)
{
    EditorCollection::CollectionHelper<Import::Object> helper(collection.id());
    const auto& listed = EditorCollection::fetchCollection(helper).items;
    if (!item || std::find(listed.begin(), listed.end(), item) == listed.end())
        return false;
    EditorCollection::PersistentItemHelper<Import::Object>().remove(item);
    return EditorCollection::eraseFromCollection(helper, item);
}

const Import::Object* saveWholeIntro(UserCollection& intros, const Timeline::Object* timeline,
    const QString& name, const std::shared_ptr<const Types::Image>& preview)
{
    const QDir folder(intros.storagePath());
    const auto folders = QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden;
    const QStringList before = folder.entryList(folders);
    const Import::Object* saved = intros.saveUserIntro(timeline, name, preview);
    if (saved)
        return saved;
    const auto everything = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (const QString& made : folder.entryList(folders)) {
        QDir intro(folder.filePath(made));
        const QStringList held = intro.entryList(everything);
        // Only what this save wrote: a stored record that read back wrong stays.
        if (!before.contains(made)
            && (held.isEmpty() || held == QStringList { EditorCollection::Catalogue::bundleName() }))
            intro.removeRecursively();
    }
    return nullptr;
}

} // namespace Import
