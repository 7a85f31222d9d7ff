#pragma once

#include <usercollection_export.h>

#include <Import/UserCollection.h>

#include <QString>

namespace Import {

/// @p name itself when no item of @p collection, whatever its kind, shows it;
/// otherwise the first free numbered variant, by the rule of
/// UserCollection::nextName(). For items whose id is their display name, which
/// must differ across kinds as well. Fetches the collection anew; never fails.
USERCOLLECTION_EXPORT QString nextFreeName(const UserCollection& collection, const QString& name);

} // namespace Import
