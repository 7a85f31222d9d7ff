#pragma once

#include <Import/UserCollection.h>
#include <usercollection_export.h>

#include <QString>

namespace Import {

/// @p name itself when no item of @p collection, whatever its kind, shows it or has
/// it as its id; otherwise the first free numbered variant, by the rule of
/// UserCollection::nextName(). For new items whose id is their display name: it must
/// differ across kinds, and from the id a renamed item keeps. Fetches the collection
/// anew; never fails.
USERCOLLECTION_EXPORT QString nextFreeName(const UserCollection& collection, const QString& name);

/// Gives the stored record of @p item, an item of @p collection, the display name
/// @p name; its id, file, bundle, preview and categories stay, and the collection
/// shows the new name.
/// @return true when renamed, or when @p name is its name already; false for a null
/// item, a name that UTF-8 cannot hold, a name another item of its kind in the
/// collection has, an item that is not stored, or a record that could not be rewritten.
USERCOLLECTION_EXPORT bool renameUserItem(
    UserCollection& collection, const Import::Object* item, const QString& name);

/// Stores @p item at @p fileName in @p collection's storage folder with the display
/// name @p name, and registers the stored item, as UserCollection::saveUserImport()
/// does; the item keeps its id, so a renamed item stays the same item.
/// @return the item the collection now holds (not owned), or null; null also for an
///         empty name or one that UTF-8 cannot hold.
USERCOLLECTION_EXPORT const Import::Object* saveUserItem(UserCollection& collection,
    const Import::Object* item, const QString& name, const QString& fileName,
    const std::shared_ptr<const Types::Image>& preview, const QString& uniqueId);

/// Deletes the stored record of @p item, an item of @p collection, and takes it out
/// of the collection, which frees it. Unlike UserCollection::removeUserImport(), the
/// item is named by itself, not by its display name, which another item may share.
/// @return true when the collection held @p item and both requests were sent;
/// false (nothing sent but the request for the collection) otherwise.
USERCOLLECTION_EXPORT bool removeUserItem(UserCollection& collection, const Import::Object* item);

/// UserCollection::saveUserIntro() into @p intros, all or nothing: when it fails, the
/// folder it made is taken back too, where saveUserIntro() keeps a bundle whose
/// record was refused, which no listing would ever show.
/// @return what saveUserIntro() returns.
USERCOLLECTION_EXPORT const Import::Object* saveWholeIntro(UserCollection& intros,
    const Timeline::Object* timeline, const QString& name,
    const std::shared_ptr<const Types::Image>& preview);

} // namespace Import
