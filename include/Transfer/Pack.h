#pragma once

#include <Import/UserCollection.h>
#include <usercollection_export.h>

#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <vector>

/// @file
/// Packs: what the user keeps, exported into one portable file and imported again.

/// Export and import of packs: one ZIP file holding a manifest, the items' records,
/// the intros' bundles and the previews (docs/format.md).
namespace Transfer {

/// The kinds of item a pack carries.
enum class ItemType {
    Equalizer, ///< an audio equalizer preset
    Enhance, ///< a manual enhancement preset
    Import, ///< one of the user's imports (a media file it stands for is not packed)
    Intro, ///< an intro, with its timeline bundle
    Title, ///< a user title preset
};

/// The word a pack's manifest and the reports use for @p type ("equalizer", ...).
USERCOLLECTION_EXPORT QString typeName(ItemType type);

/// What an export takes. An empty set or list takes everything in that respect; the
/// three conditions hold together.
struct Selection {
    std::set<ItemType> types; ///< the item types to take
    std::set<std::string> collections; ///< the collection ids whose items to take
    QStringList names; ///< the display names to take, compared exactly
};

/// What became of one item.
enum class Outcome {
    Exported, ///< written into the pack
    Imported, ///< saved under the name it has in the pack
    Renamed, ///< saved under a new name, because the pack's name was taken
    AlreadyThere, ///< not saved: an item of its type with the same content is there
    Refused, ///< not taken; the reason says why
};

/// One item of a report.
struct ItemReport {
    ItemType type = ItemType::Title; ///< the item's type
    QString name; ///< its display name in the data folder (export) or in the pack (import)
    QString newName; ///< the name it was saved under when Renamed; else empty
    QString uniqueId; ///< the unique id of its record
    Outcome outcome = Outcome::Refused; ///< what became of it
    QString reason; ///< why it was refused, or which item it is already there as
};

/// What an export or import did. Owns nothing beyond its values.
struct PackReport {
    /// False when the whole call failed: nothing was written (export) or nothing was
    /// added to the data folder (import), and @ref error says why.
    bool ok = false;
    QString error; ///< one line when @ref ok is false; empty otherwise
    /// True when an import failed because of the pack itself: it cannot be read, is
    /// damaged, of a newer format version or hostile. False for a failed save.
    bool refused = false;
    std::vector<ItemReport> items; ///< one entry per item, in the pack's order

    /// How many items ended with @p outcome.
    USERCOLLECTION_EXPORT std::size_t count(Outcome outcome) const;
};

/// Told the items done so far and their total, after each item.
using Progress = std::function<void(std::size_t done, std::size_t total)>;

/// How an import runs.
struct ImportOptions {
    /// Reads and checks the whole pack and reports what an import would do, saving
    /// nothing.
    bool dryRun = false;
    Progress progress; ///< called after each item; may be empty
};

/// Writes the items that @p selection takes into a new pack at @p file, atomically:
/// the file appears whole or not at all, and an existing file is replaced only by a
/// complete pack. Reads the effect presets, intros and titles from their folders
/// below the data root and the imports from @p imports' storage folder.
/// An item that cannot be packed (an intro whose bundle is gone) is refused in the
/// report and the others are exported.
/// @return the report; not ok, with nothing written, when nothing is selected or
///         the file cannot be written. Never throws.
USERCOLLECTION_EXPORT PackReport exportPack(const QString& file, const Import::UserCollection& imports,
    const Selection& selection = {}, const Progress& progress = {});

/// Adds the items of the pack at @p file to the data folder, each through the
/// library's own save functions: imports into @p imports, intros into the intro
/// collection, presets and titles into theirs. A taken name gets the next free one
/// (`Name_01`, ...); nothing there is overwritten. An item whose type has an item
/// with the same content, under its name or a numbered variant of it (or, for an
/// import, with its unique id), is already there and skipped.
///
/// The whole pack is read and checked first: a damaged pack, one of a newer format
/// version, or one with any hostile entry (a path that leaves the pack, an absolute
/// path, a link, a size far beyond its content, an entry the manifest does not
/// list) is refused whole. All or nothing: when a save fails part way, what this
/// call saved is removed again.
/// @return the report; not ok, with nothing added, when the pack is refused or a
///         save failed. Never throws.
USERCOLLECTION_EXPORT PackReport importPack(
    const QString& file, Import::UserCollection& imports, const ImportOptions& options = {});

} // namespace Transfer
