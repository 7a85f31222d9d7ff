#pragma once

#include "CommandLine.h"

namespace Cli {

CommandGroup watchCommands();

} // namespace Cli
