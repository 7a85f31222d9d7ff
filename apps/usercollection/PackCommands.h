#pragma once

#include "CommandLine.h"

#include <QList>

namespace Cli {

// export FILE and import FILE: packs of the saved items.
QList<CommandGroup> packCommands();

} // namespace Cli
