#pragma once

#include <Model/OverlayPreset.h>
#include <usercollection_export.h>

#include <QString>

#include <set>
#include <string>

/// @file
/// Saving the user's title presets and naming them.

/// The user's title presets.
namespace Overlay {

/// Stores a copy of @p preset, with a new id and a display name that no title has yet,
/// at @p path. Does not add it to the titles collection.
/// @return false for a null preset, a name that UTF-8 cannot hold, or when the store is
///         not confirmed.
USERCOLLECTION_EXPORT bool savePreset(const Overlay::Preset* preset, const QString& name, const QString& path,
    const std::set<std::string>& categories);

/// Saves @p preset as one of the user's titles: stored in the overlays folder, filed
/// under "category_my_titles", registered in the titles collection and shown.
/// @return false for a null preset, a name that UTF-8 cannot hold, or when storing it or
///         reading it back failed.
USERCOLLECTION_EXPORT bool saveUserPreset(const Overlay::Preset* preset, const QString& name);

/// A display name for a new title.
/// @return @p name itself when no title shows it, else the first free "stem_NN".
USERCOLLECTION_EXPORT QString nextName(const QString& name);

} // namespace Overlay
