#pragma once

#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <PersistentItem.h>
#include <QBuffer>
#include <QByteArray>
#include <Serialize/Archive.h>

namespace Testing {

// The archive document of one record, as the persistence service writes it.
inline QByteArray recordDocument(const Serialize::ISerializable& record)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Serialize::OutputArchive archive(&buffer);
    record.save(archive);
    archive.finish();
    return bytes;
}

// An import record whose archived item is an overlay preset.
inline QByteArray wrongTypedImportDocument()
{
    Overlay::Preset preset;
    preset.id = "not an import";
    EditorCollection::PersistentItem<Overlay::Preset> record;
    record.item = &preset;
    return recordDocument(record).replace(EditorCollection::PersistentItem<Overlay::Preset>::NameInArchive(),
        EditorCollection::PersistentItem<Import::Object>::NameInArchive());
}

} // namespace Testing
