#include "CollectionHelper.h"
#include "EditorServices.h"
#include "FetchedCollection.h"
#include "LoadedRecords.h"
#include "PersistentItem.h"
#include "RecordEditing.h"
#include "imports/UniqueName.h"
#include <Effect/PresetEditing.h>
#include <Effect/UserEffects.h>

#include <QDir>
#include <QStringList>
#include <QUuid>

#include <algorithm>
#include <cstddef>
#include <deque>
#include <utility>

namespace Effect {
namespace {

using Record = EditorCollection::PersistentItem<Effect::Object>;
using Records = EditorCollection::LoadedRecords<Effect::Object>;
using PersistenceHelper = EditorCollection::PersistentItemHelper<Effect::Object>;
using CollectionHelper = EditorCollection::CollectionHelper<Effect::Object>;

template <class T>
QString presetFolder()
{
    return Settings::userEffectsPath(std::string(T::NameInArchive()));
}

template <class T>
std::string presetPath(const QString& presetId)
{
    return QDir(presetFolder<T>()).filePath(presetId).toStdString();
}

// Gives preset a fresh identity and returns it; the identity also names its file.
QString assignNewPresetId(Effect::Object& preset)
{
    QString presetId = QUuid::createUuid().toString();
    preset.id = presetId.toStdString();
    preset.secondaryId = preset.id;
    return presetId;
}

Record makePresetRecord(const Effect::Object& preset, const QString& name, const std::string& collectionId,
    const std::shared_ptr<const Types::Image>& preview)
{
    Record record;
    record.item = &preset;
    record.customStrings[preset.id] = name.toStdString();
    record.collectionId = collectionId;
    record.preview = preview;
    return record;
}

// Null, and item deleted, when item is not a T.
template <class T>
std::unique_ptr<const T> downcast(std::unique_ptr<const Effect::Object> item)
{
    const T* preset = dynamic_cast<const T*>(item.get());
    if (!preset)
        return nullptr;
    item.release();
    return std::unique_ptr<const T>(preset);
}

// The name is filed in the record under the preset's own id.
QString presetName(const Record& record, const Effect::Object& preset)
{
    const auto entry = record.customStrings.find(preset.id);
    return entry == record.customStrings.end() ? QString() : QString::fromStdString(entry->second);
}

// A deep copy of item for the caller; null when the copy is not a T.
template <class T>
std::unique_ptr<const T> cloneAs(const Effect::Object* item)
{
    Serialize::Cloner cloner;
    Serialize::ObjectStorage storage;
    const Serialize::ISerializable* source = item;
    T* clone = dynamic_cast<T*>(cloner.cloneImpl(source, storage));
    Serialize::ObjectStorage handedOver(std::move(storage));
    // A copy of the wrong type stays with the storage, which deletes it.
    if (clone)
        handedOver.releaseAll();
    return std::unique_ptr<const T>(clone);
}

// Stores record at path through one helper, reads it back and hands it on: to the
// caller when the record names no collection, else to that collection, shown there,
// with a copy for the caller.
template <class T>
std::unique_ptr<const T> storeAndHandOn(const Record& record, const std::string& path)
{
    PersistenceHelper persistence;
    if (!persistence.store(&record, path))
        return nullptr;

    Records loaded = persistence.loadRecords(path);
    if (loaded.size() != 1)
        return nullptr;

    // The object read back is the record just stored, so it is a T.
    if (record.collectionId.empty())
        return std::unique_ptr<const T>(static_cast<const T*>(loaded.take(0).release()));

    CollectionHelper collection(record.collectionId);
    const Effect::Object* registered = EditorCollection::registerLoaded(collection, loaded, 0);
    collection.locateItem(registered);
    return cloneAs<T>(registered);
}

// Every name the presets of type T are stored under, repeats included.
template <class T>
QStringList storedNames(const Effect::Object* except = nullptr)
{
    QStringList names;
    const Records records = PersistenceHelper().loadRecords(presetFolder<T>().toStdString());
    for (const Record& record : records) {
        const T* preset = dynamic_cast<const T*>(record.item);
        if (preset && !(except && preset->id == except->id))
            names << presetName(record, *preset);
    }
    return names;
}

} // namespace

template <class T>
std::unique_ptr<const T> saveUserEffect(const T* effect, const QString& name, const std::string& collectionId,
    const std::shared_ptr<const Types::Image>& preview)
{
    if (!effect || !EditorCollection::survivesUtf8(name))
        return nullptr;
    T preset(*effect);
    const QString presetId = assignNewPresetId(preset);
    const Record record = makePresetRecord(preset, name, collectionId, preview);
    return storeAndHandOn<T>(record, presetPath<T>(presetId));
}

template <class T>
std::map<QString, std::unique_ptr<const T>> loadUserEffects()
{
    std::map<QString, std::unique_ptr<const T>> presets;
    Records records = PersistenceHelper().loadRecords(presetFolder<T>().toStdString());

    // Every item of the answer is the caller's: listed, or deleted here.
    for (std::size_t index = 0; index < records.size(); ++index) {
        std::unique_ptr<const T> preset = downcast<T>(records.take(index));
        if (!preset)
            continue;
        // The first preset read under a name stays; one search for both questions.
        const auto [entry, inserted] = presets.try_emplace(presetName(records[index], *preset));
        if (inserted)
            entry->second = std::move(preset);
    }
    return presets;
}

template <class T>
QString nextPresetName(const QString& name)
{
    return Import::Details::uniqueNameAmong(storedNames<T>(), name);
}

template <class T>
bool renameUserEffect(const T* preset, const QString& name)
{
    if (!preset || !EditorCollection::survivesUtf8(name))
        return false;
    if (storedNames<T>(preset).contains(name))
        return false;
    return EditorCollection::RecordRenamer<Effect::Object>().rename(preset, name.toStdString());
}

template <class T>
std::unique_ptr<const T> replaceUserEffect(
    const T* effect, const QString& name, const std::shared_ptr<const Types::Image>& preview)
{
    if (!effect)
        return nullptr;
    Records records = PersistenceHelper().loadRecords(presetFolder<T>().toStdString());
    const auto stored = std::find_if(records.begin(), records.end(), [&name](const Record& record) {
        const T* preset = dynamic_cast<const T*>(record.item);
        return preset && presetName(record, *preset) == name;
    });
    if (stored == records.end())
        return nullptr;

    // The new settings under the stored preset's identity and in its record.
    T preset(*effect);
    preset.id = stored->item->id;
    preset.secondaryId = stored->item->secondaryId;
    Record record = *stored;
    record.item = &preset;
    if (preview)
        record.preview = preview;
    return storeAndHandOn<T>(record, presetPath<T>(QString::fromStdString(preset.id)));
}

void removeUserEffect(const Effect::Object* effect)
{
    PersistenceHelper persistence;
    persistence.remove(effect);
}

template USERCOLLECTION_EXPORT std::unique_ptr<const AudioEqualizer> saveUserEffect<AudioEqualizer>(
    const AudioEqualizer*, const QString&, const std::string&, const std::shared_ptr<const Types::Image>&);
template USERCOLLECTION_EXPORT std::unique_ptr<const ManualEnhance> saveUserEffect<ManualEnhance>(
    const ManualEnhance*, const QString&, const std::string&, const std::shared_ptr<const Types::Image>&);
template USERCOLLECTION_EXPORT std::map<QString, std::unique_ptr<const AudioEqualizer>>
loadUserEffects<AudioEqualizer>();
template USERCOLLECTION_EXPORT std::map<QString, std::unique_ptr<const ManualEnhance>>
loadUserEffects<ManualEnhance>();
template USERCOLLECTION_EXPORT QString nextPresetName<AudioEqualizer>(const QString&);
template USERCOLLECTION_EXPORT QString nextPresetName<ManualEnhance>(const QString&);
template USERCOLLECTION_EXPORT bool renameUserEffect<AudioEqualizer>(const AudioEqualizer*, const QString&);
template USERCOLLECTION_EXPORT bool renameUserEffect<ManualEnhance>(const ManualEnhance*, const QString&);
template USERCOLLECTION_EXPORT std::unique_ptr<const AudioEqualizer> replaceUserEffect<AudioEqualizer>(
    const AudioEqualizer*, const QString&, const std::shared_ptr<const Types::Image>&);
template USERCOLLECTION_EXPORT std::unique_ptr<const ManualEnhance> replaceUserEffect<ManualEnhance>(
    const ManualEnhance*, const QString&, const std::shared_ptr<const Types::Image>&);

} // namespace Effect
