#pragma once

#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <Records.h>

namespace Testing {

// An import record whose archived item is an overlay preset.
inline QByteArray wrongTypedImportDocument()
{
    const Overlay::Preset preset = withId<Overlay::Preset>("not an import");
    return savedDocument(recordOf(&preset))
        .replace(EditorCollection::PersistentItem<Overlay::Preset>::NameInArchive(),
            EditorCollection::PersistentItem<Import::Object>::NameInArchive());
}

} // namespace Testing
