#pragma once

#include "CommandLine.h"

namespace Cli {

// Walks through every command on one data folder and reports where the files are.
CommandGroup demoCommands();

} // namespace Cli
