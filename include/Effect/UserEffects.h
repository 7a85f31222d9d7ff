#pragma once

#include <Effect/AudioEqualizer.h>
#include <Effect/ManualEnhance.h>
#include <Model/EffectObject.h>
#include <Types/Image.h>
#include <usercollection_export.h>

#include <QString>

#include <map>
#include <memory>
#include <string>

/// @file
/// Saving, listing and removing the user's effect presets.

/// The user's presets of the audio equalizer and the manual enhancement, one file
/// per preset in the effect type's folder, the preset's name inside the record.
namespace Effect {

/// Saves a copy of @p *effect as a new preset called @p name.
///
/// With a collection id the stored preset is also registered in that collection and shown.
/// @return the preset as read back, owned by the caller; null for a null effect or a name
///         that UTF-8 cannot hold (a lone surrogate), or when storing or reading back failed.
template <class T>
std::unique_ptr<const T> saveUserEffect(const T* effect, const QString& name, const std::string& collectionId,
    const std::shared_ptr<const Types::Image>& preview);

/// Every preset of type @p T, keyed by name; of presets sharing a name, the first one read.
/// @return the presets, owned by the caller; empty when there are none or nobody answers.
template <class T>
std::map<QString, std::unique_ptr<const T>> loadUserEffects();

/// Asks for the stored preset of @p effect to be deleted; reports nothing.
USERCOLLECTION_EXPORT void removeUserEffect(const Effect::Object* effect);

/// @cond
extern template USERCOLLECTION_EXPORT std::unique_ptr<const AudioEqualizer> saveUserEffect<AudioEqualizer>(
    const AudioEqualizer*, const QString&, const std::string&, const std::shared_ptr<const Types::Image>&);
extern template USERCOLLECTION_EXPORT std::unique_ptr<const ManualEnhance> saveUserEffect<ManualEnhance>(
    const ManualEnhance*, const QString&, const std::string&, const std::shared_ptr<const Types::Image>&);
extern template USERCOLLECTION_EXPORT std::map<QString, std::unique_ptr<const AudioEqualizer>>
loadUserEffects<AudioEqualizer>();
extern template USERCOLLECTION_EXPORT std::map<QString, std::unique_ptr<const ManualEnhance>>
loadUserEffects<ManualEnhance>();
/// @endcond

} // namespace Effect
