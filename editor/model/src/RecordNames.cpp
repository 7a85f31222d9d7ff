#include <Model/RecordNames.h>

namespace EditorCollection {
namespace RecordNames {

const char* const Effect = "PersistentEffect";
const char* const Import = "PersistentImport";
const char* const Overlay = "PersistentOverlay";

} // namespace RecordNames
} // namespace EditorCollection
