#pragma once

#include "CommandLine.h"

namespace Cli {

CommandGroup listCommands();

} // namespace Cli
