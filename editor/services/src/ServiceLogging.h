#pragma once

#include <QLoggingCategory>

// One category per service, so that QT_LOGGING_RULES (or a host's --quiet) turns
// their warnings on and off: usercollection.persistence, usercollection.collections.
Q_DECLARE_LOGGING_CATEGORY(lcPersistence)
Q_DECLARE_LOGGING_CATEGORY(lcCollections)
