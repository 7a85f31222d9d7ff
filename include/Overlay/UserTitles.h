#pragma once

#include <Model/OverlayPreset.h>
#include <Types/Image.h>
#include <usercollection_export.h>

#include <QString>

#include <memory>

namespace Overlay {

/// Saves @p preset as one of the user's titles, as saveUserPreset() does, with
/// @p preview as the title's picture; a null preview means the picture
/// saveUserPreset() would choose.
/// @return the title as the titles collection now holds it (the collection owns
/// it; it lives as long as the collection service keeps it), or null for a null
/// preset, a name UTF-8 cannot hold, or a save that did not complete.
USERCOLLECTION_EXPORT const Overlay::Preset* saveUserTitle(
    const Overlay::Preset* preset, const QString& name, const std::shared_ptr<const Types::Image>& preview);

/// Gives the stored record of @p title, a title of the titles collection, the
/// display name @p name; its id, file, preview and categories stay, and the titles
/// collection shows the new name.
/// @return true when renamed, or when @p name is its name already; false for a null
/// title, a name that UTF-8 cannot hold, a name another title has, a title that is
/// not stored, or a record that could not be rewritten.
USERCOLLECTION_EXPORT bool renameUserTitle(const Overlay::Preset* title, const QString& name);

/// Deletes the stored record of @p title and takes it out of the titles collection,
/// which frees it.
/// @return true when the titles collection held @p title and both requests were
/// sent; false (nothing sent but the request for the collection) otherwise.
USERCOLLECTION_EXPORT bool removeUserTitle(const Overlay::Preset* title);

} // namespace Overlay
