#pragma once

#include "CommandLine.h"

namespace Cli {

CommandGroup checkCommands();

} // namespace Cli
