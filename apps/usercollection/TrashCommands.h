#pragma once

#include "CommandLine.h"

#include <QList>

namespace Cli {

// trash, trash empty, restore and history: what the data folder's trash keeps of
// every change, and bringing it back.
QList<CommandGroup> trashCommands();

} // namespace Cli
