#pragma once

#include "CommandLine.h"

namespace Cli {

// Prints the bash completion script: a few lines that hand the words typed to
// `usercollection __complete`, which answers from the command table.
CommandGroup completionCommands();

// Answers a completion: words are the command line after the program's name as
// typed (quotes included), the last one the word being completed. Prints one
// candidate a line, or "@files" or "@dirs" for the shell to complete paths itself.
// Arguments and option values complete by their display name: "a|b" to its
// alternatives, the item an argument names (NAME, OLD, ID) to the saved names or ids
// the group's list command prints, KIND to the import kinds, COLLECTION to the
// well-known collection ids, FILE, PATH and IMAGE to files, DIR to folders, and what
// a command's own choices give.
int printCompletions(const QList<CommandGroup>& groups, const QStringList& words);

// The man page's command reference (help2man's [COMMANDS] section) from the table.
int printManCommands(const QList<CommandGroup>& groups);

} // namespace Cli
