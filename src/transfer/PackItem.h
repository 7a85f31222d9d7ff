#pragma once

// One item as a pack carries it, whether read from a pack or from the data folder:
// its record's parts, its preview, and an intro's timeline.

#include "PersistentItem.h"
#include <Model/Timeline.h>
#include <Serialize/ISerializable.h>
#include <Transfer/Pack.h>
#include <Types/Image.h>

#include <QByteArray>
#include <QString>

#include <memory>
#include <set>
#include <string>

namespace Transfer {
namespace Details {

struct PackItem {
    ItemType type = ItemType::Title;
    QString name;
    std::string uniqueId;
    std::string collectionId;
    std::set<std::string> categories;
    // The record's file name in its folder; what an import is stored under.
    QString fileName;
    // An Effect::Object of the type's class, an Import::Object or an Overlay::Preset.
    std::shared_ptr<const Serialize::ISerializable> item;
    // The item as a T; null when it is none.
    template <class T>
    const T* as() const
    {
        return dynamic_cast<const T*>(item.get());
    }
    std::shared_ptr<const Types::Image> preview;
    // An intro's bundle file as it is, and the timeline read from it; empty and null
    // for the other types.
    QByteArray bundle;
    std::shared_ptr<const Timeline::Object> timeline;
};

// The item of record, which item shares, with the parts of record a pack keeps. The
// display name is the one filed under the item's id, else the id itself.
template <class T>
PackItem packItem(
    ItemType type, const EditorCollection::PersistentItem<T>& record, std::shared_ptr<const T> item)
{
    PackItem packed;
    packed.type = type;
    const auto name = record.customStrings.find(item->id);
    packed.name = QString::fromStdString(name == record.customStrings.end() ? item->id : name->second);
    packed.uniqueId = record.uniqueId;
    packed.collectionId = record.collectionId;
    packed.categories = record.categories;
    packed.preview = record.preview;
    packed.item = std::move(item);
    return packed;
}

// Keeps bytes as item's bundle and the timeline read from them (null when damaged).
void setBundle(PackItem& item, QByteArray bytes);

// What the user made, without the identity a save gives anew: the item's fields
// less its ids (for an intro, its timeline), as serialised. Equal content, equal bytes.
QByteArray contentOf(const PackItem& item);

} // namespace Details
} // namespace Transfer
