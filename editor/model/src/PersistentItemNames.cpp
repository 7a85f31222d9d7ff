#include "PersistentItem.h"

#include <Model/EffectObject.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>

namespace EditorCollection {

template<>
const char* PersistentItem<Effect::Object>::NameInArchive()
{
    return "PersistentEffect";
}

template<>
const char* PersistentItem<Import::Object>::NameInArchive()
{
    return "PersistentImport";
}

template<>
const char* PersistentItem<Overlay::Preset>::NameInArchive()
{
    return "PersistentOverlay";
}

} // namespace EditorCollection
