#include "CollectionHelper.h"
#include "EditorServices.h"
#include "FetchedCollection.h"
#include "LoadedRecords.h"
#include "PersistentItem.h"
#include "RecordEditing.h"
#include "StoredRecord.h"
#include "imports/UniqueName.h"
#include <Overlay/OverlayPresets.h>
#include <Overlay/UserTitles.h>

#include <QColor>
#include <QDir>
#include <QPixmap>
#include <QSize>
#include <QUuid>

#include <algorithm>
#include <functional>
#include <memory>

namespace Overlay {

namespace {

using Titles = EditorCollection::CollectionHelper<Overlay::Preset>;
using Record = EditorCollection::PersistentItem<Overlay::Preset>;
using Preview = std::shared_ptr<const Types::Image>;
using EditorCollection::storeRecord;
using Import::Details::uniqueName;

const char* const UserTitlesCategory = "category_my_titles";
const int DefaultPreviewSide = 80;

QString newUuidText()
{
    return QUuid::createUuid().toString();
}

// Titles compete for display names whatever their categories.
std::function<bool(const Overlay::Preset*)> anyPreset()
{
    return [](const Overlay::Preset*) { return true; };
}

// A complete copy of preset under a fresh identity.
Overlay::Preset renewedCopy(const Overlay::Preset& preset)
{
    Overlay::Preset copy(preset);
    copy.id = newUuidText().toStdString();
    copy.secondaryId = copy.id;
    return copy;
}

Preview defaultPreview()
{
    QPixmap pixmap(QSize(DefaultPreviewSide, DefaultPreviewSide));
    pixmap.fill(Qt::gray);
    return std::make_shared<const Types::Image>(pixmap);
}

// The preview the titles collection shows for the title with id, shared; a gray
// square when that title is absent or has none.
Preview previewOf(const EditorCollection::Container<Overlay::Preset>& titles, const std::string& id)
{
    const auto title = std::find_if(titles.items.begin(), titles.items.end(),
        [&id](const Overlay::Preset* item) { return item && item->id == id; });
    if (title != titles.items.end()) {
        const auto entry = titles.previews.find(*title);
        if (entry != titles.previews.end() && entry->second)
            return entry->second;
    }
    return defaultPreview();
}

// An empty name asks for the preset's own display name.
QString wantedName(const Overlay::Preset& preset, const QString& name)
{
    return name.isEmpty() ? QString(Translator::translate(preset.id)) : name;
}

QString userPresetPath()
{
    return QDir(Settings::userOverlaysPath()).filePath(newUuidText());
}

// The steps of savePreset; the preview is chosen's when it is set, else the one
// the titles collection shows for preset. store(record, path) stores the record.
template <class Store>
auto storePreset(const Overlay::Preset& preset, const QString& name, const QString& path,
    const std::set<std::string>& categories, const Preview& chosen, Store store)
{
    const Overlay::Preset copy = renewedCopy(preset);

    Record record;
    record.item = &copy;
    {
        // Gone before the store: the save's own steps follow it on the bus.
        Titles titles(EditorCollection::CollectionID::TITLES);
        record.preview = chosen ? chosen : previewOf(EditorCollection::fetchCollection(titles), preset.id);
        record.customStrings[copy.id]
            = uniqueName(titles, wantedName(preset, name), anyPreset()).toStdString();
    }
    record.categories = categories;
    record.collectionId = EditorCollection::CollectionID::TITLES;
    return store(record, path);
}

// The steps of saveUserPreset: stored, read back, registered and shown. The title
// the collection now holds, or null.
const Overlay::Preset* saveToUserTitles(
    const Overlay::Preset& preset, const QString& name, const Preview& chosen)
{
    if (!EditorCollection::survivesUtf8(name))
        return nullptr;
    return storePreset(preset, name, userPresetPath(), { UserTitlesCategory }, chosen,
        [](const Record& record, const QString& path) {
            return EditorCollection::storeAndRegister(record, path, [](auto& stored) {
                Titles titles(EditorCollection::CollectionID::TITLES);
                const Overlay::Preset* title = EditorCollection::registerLoaded(titles, stored, 0);
                titles.locateItem(title);
                return title;
            });
        });
}

} // namespace

bool savePreset(const Overlay::Preset* preset, const QString& name, const QString& path,
    const std::set<std::string>& categories)
{
    if (!preset || !EditorCollection::survivesUtf8(name))
        return false;
    return storePreset(*preset, name, path, categories, nullptr, &storeRecord<Overlay::Preset>);
}

bool saveUserPreset(const Overlay::Preset* preset, const QString& name)
{
    return preset && saveToUserTitles(*preset, name, nullptr);
}

const Overlay::Preset* saveUserTitle(
    const Overlay::Preset* preset, const QString& name, const std::shared_ptr<const Types::Image>& preview)
{
    return preset ? saveToUserTitles(*preset, name, preview) : nullptr;
}

bool renameUserTitle(const Overlay::Preset* title, const QString& name)
{
    return EditorCollection::renameRecord(
        title, name, [](const QString& wanted) { return nextName(wanted) == wanted; });
}

bool removeUserTitle(const Overlay::Preset* title)
{
    Titles titles(EditorCollection::CollectionID::TITLES);
    const auto& listed = EditorCollection::fetchCollection(titles).items;
    if (!title || std::find(listed.begin(), listed.end(), title) == listed.end())
        return false;
    EditorCollection::PersistentItemHelper<Overlay::Preset>().remove(title);
    return EditorCollection::eraseFromCollection(titles, title);
}

QString nextName(const QString& name)
{
    Titles titles(EditorCollection::CollectionID::TITLES);
    return uniqueName(titles, name, anyPreset());
}

} // namespace Overlay
