#include "CollectionHelper.h"
#include "EditorServices.h"
#include "FetchedCollection.h"
#include "PersistentItem.h"
#include "imports/StoredRecord.h"
#include "imports/UniqueName.h"

#include <Overlay/OverlayPresets.h>
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
using Import::Details::loadSingleRecord;
using Import::Details::storeRecord;
using Import::Details::uniqueName;

const char* const UserTitlesCategory = "category_my_titles";
const int DefaultPreviewSide = 80;
const int RegisterMode = 1;

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

} // namespace

bool savePreset(const Overlay::Preset* preset, const QString& name, const QString& path,
    const std::set<std::string>& categories)
{
    if (!preset || !EditorCollection::survivesUtf8(name))
        return false;
    const Overlay::Preset copy = renewedCopy(*preset);

    Titles titles(EditorCollection::CollectionID::TITLES);
    const Preview preview = previewOf(EditorCollection::fetchCollection(titles), preset->id);

    Record record;
    record.item = &copy;
    record.customStrings[copy.id] = uniqueName(titles, wantedName(*preset, name), anyPreset()).toStdString();
    record.categories = categories;
    record.collectionId = EditorCollection::CollectionID::TITLES;
    record.preview = preview;
    return storeRecord(record, path);
}

bool saveUserPreset(const Overlay::Preset* preset, const QString& name)
{
    if (!preset)
        return false;
    const QString path = userPresetPath();
    if (!savePreset(preset, name, path, { UserTitlesCategory }))
        return false;

    const std::optional<Record> stored = loadSingleRecord<Overlay::Preset>(path);
    if (!stored)
        return false;
    std::unique_ptr<const Overlay::Preset> readBack(stored->item);

    Titles titles(EditorCollection::CollectionID::TITLES);
    EditorCollection::registerOwnedItem(titles, *stored, readBack, RegisterMode);
    titles.locateItem(stored->item);
    return true;
}

QString nextName(const QString& name)
{
    Titles titles(EditorCollection::CollectionID::TITLES);
    return uniqueName(titles, name, anyPreset());
}

} // namespace Overlay
