#pragma once

#include "CommandLine.h"

namespace Cli {

// Prints a shell completion script made from the command table, so that a new
// command, option or argument completes without a change here.
CommandGroup completionCommands();

// The bash completion script for groups. Arguments and option values complete by
// their display name: "a|b" to its alternatives, NAME to the names the group's list
// command prints, KIND to the import kinds, COLLECTION to the well-known collection
// ids, FILE, PATH and IMAGE to files, DIR to folders.
QString bashCompletion(const QList<CommandGroup>& groups);

} // namespace Cli
