#pragma once

#include <QString>

#include <vector>

namespace Services {

// Something in a collection folder that the folder's listing passes over, or that
// keeps an item from being what the listing shows.
struct FolderProblem {
    // One word: damaged, foreign, unreadable, duplicate, name, orphan, leftover or
    // ignored. A name problem is an item that another of its kind shares its display
    // name with: both stay listed and reachable by id.
    QString kind;
    // The collection folder it lies in, relative to the data root ("imports",
    // "effects/AudioEqualizer").
    QString collection;
    QString path; // absolute
    QString detail; // what it is, for a person
    QString newName; // for a name problem: the free name a fix gives it
};

// Looks through the collection folders below dataRoot (every folder in effects/,
// intros/, imports/, overlays/) as their listings read them, and reports: records
// that are damaged, unreadable, of another type, or duplicates of a listed one;
// intros without a record or without their bundle; leftovers of interrupted saves;
// anything else a listing passes over. Changes nothing; by collection, then path.
std::vector<FolderProblem> checkDataFolder(const QString& dataRoot);

// The leftovers of saves that never finished (a save's temporary file, an intro
// folder without its record), found from names alone so that every command that
// writes can afford to look before it does. By collection, then path.
std::vector<FolderProblem> findInterruptedSaves(const QString& dataRoot);

// Moves the file or folder of each problem into quarantine/<date>/ below dataRoot,
// at the same path below it, and writes a line per problem into the note there; a
// name problem is fixed by giving the item its new name instead. Deletes nothing. Returns the problems it
// could not move.
std::vector<FolderProblem> quarantineProblems(
    const QString& dataRoot, const std::vector<FolderProblem>& problems);

} // namespace Services
