#pragma once

namespace EditorCollection {
namespace RecordNames {

// The node names of the stored records of each item type: they tell record files
// of the three item types apart, so they never change once written.
extern const char* const Effect;
extern const char* const Import;
extern const char* const Overlay;

} // namespace RecordNames
} // namespace EditorCollection
