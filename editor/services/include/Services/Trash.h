#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <vector>

namespace Services {

// One thing the data folder's trash keeps: a record file or an intro's folder as it was
// before a command removed, replaced or renamed it, or as check --fix moved it into
// quarantine.
struct TrashEntry {
    QString folder; // absolute: the entry's own folder, or for quarantine what was moved
    QDateTime when;
    QString command; // what made the change: "titles remove", "check --fix", "library"
    QString change; // removed, replaced, renamed or quarantined
    QString detail; // for a person: the new name of a rename, why it was quarantined
    QString kind; // the kind's word ("title"), or the record's node name for no kind
    QString name; // the display name it had
    QString id;
    QString collection;
    QString path; // where it lay, relative to the data root (absolute when outside it)
    QString holds; // what tells this version apart: a preset's settings, a title's text
    bool quarantined = false;

    // The record file or folder the entry holds.
    QString kept() const;
};

// The entry's note as the trash writes it (note.json): every field but its folder and
// whether it is quarantined, the time to the millisecond.
QJsonObject toJson(const TrashEntry& entry);

// What the trash and the quarantine of dataRoot hold, newest first.
std::vector<TrashEntry> trashEntries(const QString& dataRoot);

// Keeps what lies at path (a record file, or a folder with its record) in a new entry
// of dataRoot's trash, moved there or copied, noted as note says (its folder, when and
// command are filled in). The entry as noted; its folder is empty when it could not be
// kept, and then nothing is moved.
TrashEntry keepInTrash(const QString& dataRoot, TrashEntry note, const QString& path, bool move);

// Moves entry back to where it lay, its record named name; what lies there now is kept
// in the trash first. An error for a person; empty on success.
QString restoreFromTrash(const QString& dataRoot, const TrashEntry& entry, const QString& name);

// Deletes entry and what it holds for good; false when some of it stays.
bool deleteTrashEntry(const TrashEntry& entry);

// The note of the record in recordFile (kind, name, id, collection, what it holds); false
// when it holds no readable record.
bool describeRecord(const QString& recordFile, TrashEntry& note);

} // namespace Services
