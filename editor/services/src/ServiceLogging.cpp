#include "ServiceLogging.h"

Q_LOGGING_CATEGORY(lcPersistence, "usercollection.persistence", QtWarningMsg)
Q_LOGGING_CATEGORY(lcCollections, "usercollection.collections", QtWarningMsg)
