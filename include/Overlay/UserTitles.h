#pragma once

#include <usercollection_export.h>

#include <Model/OverlayPreset.h>
#include <Types/Image.h>

#include <QString>

#include <memory>

namespace Overlay {

/// Saves @p preset as one of the user's titles, as saveUserPreset() does, with
/// @p preview as the title's picture; a null preview means the picture
/// saveUserPreset() would choose.
/// @return the title as the titles collection now holds it (the collection owns
/// it; it lives as long as the collection service keeps it), or null for a null
/// preset, a name UTF-8 cannot hold, or a save that did not complete.
USERCOLLECTION_EXPORT const Overlay::Preset* saveUserTitle(const Overlay::Preset* preset,
                                                           const QString& name,
                                                           const std::shared_ptr<const Types::Image>& preview);

} // namespace Overlay
