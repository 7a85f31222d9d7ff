#pragma once

// The kinds of item the user keeps, each described once: the library, the services,
// the check of a data folder, the packs and the host read this table, so that adding
// a kind is one entry and no code switches on the kind elsewhere.

#include "PersistentItem.h"
#include <Effect/AudioEqualizer.h>
#include <Effect/ManualEnhance.h>
#include <Model/CollectionID.h>
#include <Model/EffectObject.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <Model/RecordNames.h>
#include <Model/Translator.h>
#include <Settings/Settings.h>

#include <QString>

#include <array>
#include <cstddef>
#include <string>

namespace EditorCollection {

enum class ItemKindId { Equalizer, Enhance, Import, Intro, Title };

// The name the library gives the record of an item. The record under that name is the
// one an item's listing shows; records of the item under other names are its twins.
enum class FileNaming {
    ById, // a file named by the item's id (an effect preset; an import, whose id the host
          // makes its file name)
    FolderById, // a folder named by the item's id, the record stored at it (an intro)
    ByUuid, // a file named by a braced UUID of its own (a title)
};

struct ItemKind {
    ItemKindId id;
    const char* word; // in packs, reports and the host's commands
    const char* one; // "an equalizer preset", for messages
    const char* plural; // "equalizer presets"
    const char* recordType; // the node name of its records
    const char* itemClass; // the archive name of its item's class
    FileNaming naming;
    const std::string* collection; // the collection that shows it unless told otherwise
    QString (*folder)(); // where its records lie, below the data root of the moment
};

namespace Details {

inline QString equalizerFolder()
{
    return Settings::userEffectsPath(Effect::AudioEqualizer::NameInArchive());
}
inline QString enhanceFolder()
{
    return Settings::userEffectsPath(Effect::ManualEnhance::NameInArchive());
}

} // namespace Details

// Every kind, in the order of ItemKindId.
inline const std::array<ItemKind, 5>& itemKinds()
{
    static const std::array<ItemKind, 5> kinds { {
        { ItemKindId::Equalizer, "equalizer", "an equalizer preset", "equalizer presets", RecordNames::Effect,
            Effect::AudioEqualizer::NameInArchive(), FileNaming::ById, &CollectionID::AUDIO_EFFECTS,
            Details::equalizerFolder },
        { ItemKindId::Enhance, "enhance", "an enhance preset", "enhance presets", RecordNames::Effect,
            Effect::ManualEnhance::NameInArchive(), FileNaming::ById, &CollectionID::VIDEO_EFFECTS,
            Details::enhanceFolder },
        { ItemKindId::Import, "import", "an import", "imports", RecordNames::Import, "Import",
            FileNaming::ById, &CollectionID::IMPORTS, Settings::userImportsPath },
        { ItemKindId::Intro, "intro", "an intro", "intros", RecordNames::Import, "Import",
            FileNaming::FolderById, &CollectionID::INTROS, Settings::userIntrosPath },
        { ItemKindId::Title, "title", "a title", "titles", RecordNames::Overlay, "OverlayPreset",
            FileNaming::ByUuid, &CollectionID::TITLES, Settings::userOverlaysPath },
    } };
    return kinds;
}

inline const ItemKind& itemKind(ItemKindId id)
{
    return itemKinds()[std::size_t(id)];
}

// The kind called word; null for none.
inline const ItemKind* itemKindCalled(const QString& word)
{
    for (const ItemKind& kind : itemKinds()) {
        if (word == QLatin1String(kind.word))
            return &kind;
    }
    return nullptr;
}

// The kind of an item; null for an item of no kind the user keeps (a plain effect).
inline const ItemKind* kindOf(const Effect::Object& effect)
{
    const std::string itemClass = effect.name();
    for (const ItemKind& kind : itemKinds()) {
        if (kind.recordType == RecordNames::Effect && itemClass == kind.itemClass)
            return &kind;
    }
    return nullptr;
}
inline const ItemKind* kindOf(const Import::Object& item)
{
    return &itemKind(item.kind == Import::Object::Intro ? ItemKindId::Intro : ItemKindId::Import);
}
inline const ItemKind* kindOf(const Overlay::Preset&)
{
    return &itemKind(ItemKindId::Title);
}

// The classes of each kind, for code written once over them: withItemClass(kind, f)
// calls f(ItemClass<Stored, Item>()), Stored being the item type its records are
// stored and read as, Item the kind's own class. The one place that maps a kind to
// its classes.
template <class Stored, class Item>
struct ItemClass {
    using StoredType = Stored;
    using Type = Item;
};
template <class F>
decltype(auto) withItemClass(ItemKindId id, F&& f)
{
    switch (id) {
    case ItemKindId::Equalizer:
        return f(ItemClass<Effect::Object, Effect::AudioEqualizer>());
    case ItemKindId::Enhance:
        return f(ItemClass<Effect::Object, Effect::ManualEnhance>());
    case ItemKindId::Import:
    case ItemKindId::Intro:
        return f(ItemClass<Import::Object, Import::Object>());
    case ItemKindId::Title:
        break;
    }
    return f(ItemClass<Overlay::Preset, Overlay::Preset>());
}

// The display name of a stored record: the text under its item's id in its custom
// strings; a record without one is called by its id. The one rule for every kind.
template <class T>
QString displayNameOf(const PersistentItem<T>& record)
{
    if (!record.item)
        return QString();
    const auto named = record.customStrings.find(record.item->id);
    return QString::fromStdString(named != record.customStrings.end() ? named->second : record.item->id);
}
template <class T>
void setDisplayName(PersistentItem<T>& record, const QString& name)
{
    record.customStrings[record.item->id] = name.toStdString();
}
// The display name of an item a collection holds: its translated id.
template <class T>
QString displayNameOf(const T& item)
{
    return Translator::translate(item.id);
}

} // namespace EditorCollection
