#pragma once

#include <Effect/AudioEqualizer.h>
#include <Effect/ManualEnhance.h>
#include <Types/Image.h>
#include <usercollection_export.h>

#include <QString>

#include <memory>

/// @file
/// Naming, renaming and replacing the user's effect presets.

namespace Effect {

/// The name a new preset of type @p T called @p name would get so that no two of
/// them share one: @p name itself when no preset of type @p T has it, otherwise the
/// first free numbered variant (`name_01`, ...), by the rule of
/// Import::UserCollection::nextName(). Names are compared exactly. Reads the
/// presets of @p T anew; never fails.
template <class T>
QString nextPresetName(const QString& name);

/// Gives the stored preset of @p preset the name @p name; its id, file, settings,
/// preview and collection stay, and a collection that holds it shows the new name.
/// @return true when renamed, or when @p name is its name already; false for a null
/// preset, a name that UTF-8 cannot hold, a name another preset of type @p T has,
/// a preset that is not stored, or a record that could not be rewritten.
template <class T>
bool renameUserEffect(const T* preset, const QString& name);

/// Stores the settings of @p *effect over the preset of type @p T called @p name
/// (the first one read under that name), keeping its id, file, name and collection,
/// and its preview unless @p preview is given; a collection that holds it lists the
/// new settings.
/// @return the preset as read back, owned by the caller (a copy of the one the
/// collection holds when it is in one); null for a null effect, when no preset of
/// type @p T has that name, or when storing or reading back failed.
template <class T>
std::unique_ptr<const T> replaceUserEffect(
    const T* effect, const QString& name, const std::shared_ptr<const Types::Image>& preview = nullptr);

/// @cond
extern template USERCOLLECTION_EXPORT QString nextPresetName<AudioEqualizer>(const QString&);
extern template USERCOLLECTION_EXPORT QString nextPresetName<ManualEnhance>(const QString&);
extern template USERCOLLECTION_EXPORT bool renameUserEffect<AudioEqualizer>(
    const AudioEqualizer*, const QString&);
extern template USERCOLLECTION_EXPORT bool renameUserEffect<ManualEnhance>(
    const ManualEnhance*, const QString&);
extern template USERCOLLECTION_EXPORT std::unique_ptr<const AudioEqualizer> replaceUserEffect<AudioEqualizer>(
    const AudioEqualizer*, const QString&, const std::shared_ptr<const Types::Image>&);
extern template USERCOLLECTION_EXPORT std::unique_ptr<const ManualEnhance> replaceUserEffect<ManualEnhance>(
    const ManualEnhance*, const QString&, const std::shared_ptr<const Types::Image>&);
/// @endcond

} // namespace Effect
