#include "PathPolicy.h"
#include "RecordFiles.h"
#include "ServiceLogging.h"
#include <Effect/AudioEqualizer.h>
#include <Effect/ManualEnhance.h>
#include <Effect/Parameter.h>
#include <ItemKinds.h>
#include <Model/EffectObject.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <Services/Trash.h>
#include <Settings/Settings.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>
#include <tuple>

namespace Services {

namespace Storage {

namespace {

// Calls f with the item classes of the kind whose records are stored as the one in
// file; false when it holds none of a known kind.
template <class F>
bool withRecordClass(const QString& file, F&& f)
{
    const QString node = recordNodeName(file);
    for (const EditorCollection::ItemKind& kind : EditorCollection::itemKinds())
        if (node == QLatin1String(kind.recordType))
            return EditorCollection::withItemClass(kind.id, f);
    return false;
}

template <class T>
bool renameRecordOf(const QString& file, const QString& name)
{
    EditorCollection::LoadedRecords<T> records;
    if (readRecordOf(file, records) || !records[0].item)
        return false;
    EditorCollection::PersistentItem<T> record = records[0];
    EditorCollection::setDisplayName(record, name);
    return writeRecordFile(record, file);
}

QString heldBy(const Effect::Object& effect)
{
    if (const auto* equalizer = dynamic_cast<const Effect::AudioEqualizer*>(&effect))
        return Effect::changedSettings(*equalizer);
    if (const auto* enhance = dynamic_cast<const Effect::ManualEnhance*>(&effect))
        return Effect::changedSettings(*enhance);
    return QString();
}
QString heldBy(const Overlay::Preset& title)
{
    return QStringLiteral("text '%1'").arg(QString::fromStdString(title.text));
}
QString heldBy(const Import::Object&)
{
    return QString();
}

template <class T>
bool describeRecordOf(const QString& file, TrashEntry& note)
{
    EditorCollection::LoadedRecords<T> records;
    if (readRecordOf(file, records) || !records[0].item)
        return false;
    const auto& record = records[0];
    const EditorCollection::ItemKind* kind = EditorCollection::kindOf(*record.item);
    note.kind = kind ? QString::fromLatin1(kind->word) : QString::fromLatin1(record.NameInArchive());
    note.name = EditorCollection::displayNameOf(record);
    note.id = QString::fromStdString(record.item->id);
    note.collection = QString::fromStdString(record.collectionId);
    note.holds = heldBy(*record.item);
    return true;
}

} // namespace

bool renameRecordAt(const QString& path, const QString& name)
{
    const QString file = QFileInfo(path).isDir() ? QDir(path).filePath(RecordFileName) : path;
    return withRecordClass(file,
        [&](auto itemClass) { return renameRecordOf<typename decltype(itemClass)::StoredType>(file, name); });
}

} // namespace Storage

using namespace Storage;

namespace {

const QString TrashFolder = QStringLiteral("trash");
const QString NoteName = QStringLiteral("note.json");
const QString OutsideFolder = QStringLiteral("outside");

// Copies the file or folder at from to to, links as links; false when any of it failed.
bool copyAll(const QString& from, const QString& to)
{
    const QFileInfo info(from);
    if (info.isSymLink())
        return QFile::link(info.symLinkTarget(), to);
    if (!info.isDir())
        return QFile::copy(from, to);
    if (!QDir().mkpath(to))
        return false;
    const QDir dir(from);
    for (const QString& name :
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (!copyAll(dir.filePath(name), QDir(to).filePath(name)))
            return false;
    }
    return true;
}

bool deleteAll(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        return QDir(path).removeRecursively();
    return QFile::remove(path);
}

// Moves from to to (whose folder exists): a rename where it can, else a copy and a
// delete, which leaves from whole when the copy fails.
bool moveAll(const QString& from, const QString& to)
{
    if (QDir().rename(from, to))
        return true;
    if (!copyAll(from, to)) {
        deleteAll(to);
        return false;
    }
    return deleteAll(from);
}

bool readNote(const QString& folder, TrashEntry& entry)
{
    QFile file(QDir(folder).filePath(NoteName));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QJsonObject note = QJsonDocument::fromJson(file.readAll()).object();
    const auto text = [&note](const char* key) { return note.value(QLatin1String(key)).toString(); };
    entry.folder = folder;
    entry.when = QDateTime::fromString(text("when"), Qt::ISODateWithMs);
    entry.command = text("command");
    entry.change = text("change");
    entry.detail = text("detail");
    entry.kind = text("kind");
    entry.name = text("name");
    entry.id = text("id");
    entry.collection = text("collection");
    entry.path = text("path");
    entry.holds = text("holds");
    return entry.when.isValid() && !entry.path.isEmpty();
}

// Where an entry's folder keeps what lay at path (relative to the data root, or
// absolute when outside it).
QString keptPath(const QString& folder, const QString& path)
{
    return QDir::isRelativePath(path)
        ? QDir(folder).filePath(path)
        : QDir(folder).filePath(OutsideFolder + '/' + QFileInfo(path).fileName());
}

// The lines check --fix writes into quarantine/<date>/NOTE.txt:
// "<where it is now>: <problem>, was <where it was>: <why>", paths relative to the root.
void addQuarantined(const QString& dataRoot, std::vector<TrashEntry>& entries)
{
    const QDir root(dataRoot);
    const QDir quarantine(root.filePath(QStringLiteral("quarantine")));
    static const QRegularExpression line(QStringLiteral("^(.+): (\\w+), was (.+?): (.*)$"));
    for (const QString& date : quarantine.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        QFile note(quarantine.filePath(date + QStringLiteral("/NOTE.txt")));
        if (!note.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        const QDateTime day(QDate::fromString(date, Qt::ISODate), QTime(0, 0));
        QTextStream in(&note);
        while (!in.atEnd()) {
            const QRegularExpressionMatch match = line.match(in.readLine());
            const QString now = match.hasMatch() ? root.filePath(match.captured(1)) : QString();
            if (now.isEmpty() || !QFileInfo::exists(now))
                continue;
            TrashEntry entry;
            entry.folder = now;
            entry.when = day;
            entry.command = QStringLiteral("check --fix");
            entry.change = QStringLiteral("quarantined");
            entry.detail = match.captured(2) + QStringLiteral(": ") + match.captured(4);
            entry.path = match.captured(3);
            entry.quarantined = true;
            const QString record = QFileInfo(now).isDir() ? QDir(now).filePath(RecordFileName) : now;
            if (!describeRecord(record, entry)) {
                entry.kind = match.captured(2);
                entry.name = QFileInfo(entry.path).fileName();
            }
            entries.push_back(entry);
        }
    }
}

} // namespace

QString TrashEntry::kept() const
{
    return quarantined ? folder : keptPath(folder, path);
}

bool describeRecord(const QString& recordFile, TrashEntry& note)
{
    return withRecordClass(recordFile, [&](auto itemClass) {
        return describeRecordOf<typename decltype(itemClass)::StoredType>(recordFile, note);
    });
}

std::vector<TrashEntry> trashEntries(const QString& dataRoot)
{
    std::vector<TrashEntry> entries;
    const QDir trash(QDir(dataRoot).filePath(TrashFolder));
    for (const QString& name : trash.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        TrashEntry entry;
        if (readNote(trash.filePath(name), entry))
            entries.push_back(entry);
    }
    addQuarantined(dataRoot, entries);
    std::stable_sort(entries.begin(), entries.end(), [](const TrashEntry& a, const TrashEntry& b) {
        return std::tie(a.when, a.folder) > std::tie(b.when, b.folder);
    });
    return entries;
}

TrashEntry keepInTrash(const QString& dataRoot, TrashEntry note, const QString& path, bool move)
{
    const QString root = cleanAbsolute(dataRoot);
    const QString trash = QDir(root).filePath(TrashFolder);
    if (QFileInfo(trash).isSymLink()) {
        qCWarning(lcPersistence).noquote() << "not keeping anything in a trash that is a link:" << trash;
        return TrashEntry();
    }
    note.when = QDateTime::currentDateTimeUtc();
    note.command = Settings::changeCommand();
    note.path = isWithin(path, root) ? QDir(root).relativeFilePath(path) : path;
    // Named by time, so that the names sort as the changes were made.
    const QString stamp = note.when.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    if (!QDir().mkpath(trash))
        return TrashEntry();
    // mkdir makes no folder that exists: threads keeping at once each get their own.
    QString folder;
    for (int number = 1;; ++number) {
        folder = QDir(trash).filePath(stamp + QStringLiteral("-%1").arg(number));
        if (QDir(trash).mkdir(QFileInfo(folder).fileName()))
            break;
        if (number > 1000)
            return TrashEntry();
    }
    note.folder = folder;
    const QString kept = keptPath(folder, note.path);
    QSaveFile noteFile(QDir(folder).filePath(NoteName));
    const bool keptAll = QDir().mkpath(QFileInfo(kept).path())
        && (move ? moveAll(path, kept) : copyAll(path, kept)) && noteFile.open(QIODevice::WriteOnly)
        && noteFile.write(QJsonDocument(toJson(note)).toJson()) > 0 && noteFile.commit();
    if (keptAll)
        return note;
    // A move that went through stays: the entry is only without its note then.
    if (move && !QFileInfo::exists(path) && QFileInfo::exists(kept) && !moveAll(kept, path)) {
        qCWarning(lcPersistence).noquote() << "kept" << path << "in the trash without its note:" << folder;
        return note;
    }
    QDir(folder).removeRecursively();
    qCWarning(lcPersistence).noquote() << "cannot keep" << path << "in the trash" << trash;
    return TrashEntry();
}

QString restoreFromTrash(const QString& dataRoot, const TrashEntry& entry, const QString& name)
{
    const QString root = cleanAbsolute(dataRoot);
    const QString target = QDir::isRelativePath(entry.path) ? QDir(root).filePath(entry.path) : entry.path;
    if (QDir::isRelativePath(entry.path) && !isWithin(cleanAbsolute(target), root))
        return QStringLiteral("the entry's place %1 is outside the data folder").arg(entry.path);
    const QString kept = entry.kept();
    if (!QFileInfo::exists(kept))
        return QStringLiteral("the trash holds nothing for it any more");
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
        TrashEntry now;
        const QString record = QFileInfo(target).isDir() ? QDir(target).filePath(RecordFileName) : target;
        describeRecord(record, now);
        now.change = QStringLiteral("replaced");
        now.detail = QStringLiteral("by an earlier version");
        if (keepInTrash(root, now, target, true).folder.isEmpty())
            return QStringLiteral("cannot keep what lies at %1 in the trash").arg(entry.path);
    }
    if (!QDir().mkpath(QFileInfo(target).path()) || !moveAll(kept, target))
        return QStringLiteral("cannot move it back to %1").arg(entry.path);
    if (!entry.name.isEmpty() && name != entry.name && !renameRecordAt(target, name))
        return QStringLiteral("restored to %1, but could not name it '%2'").arg(entry.path, name);
    if (!entry.quarantined)
        QDir(entry.folder).removeRecursively();
    return QString();
}

bool deleteTrashEntry(const TrashEntry& entry)
{
    if (!entry.quarantined)
        return QDir(entry.folder).removeRecursively();
    if (!deleteAll(entry.folder))
        return false;
    // The folders a quarantined file lay in, up to its date's, go when they hold nothing.
    for (QDir folder(QFileInfo(entry.folder).path());
         folder.dirName() != QLatin1String("quarantine") && folder.rmdir(folder.path());)
        folder.setPath(QFileInfo(folder.path()).path());
    return true;
}

QJsonObject toJson(const TrashEntry& entry)
{
    return {
        { QStringLiteral("when"), entry.when.toUTC().toString(Qt::ISODateWithMs) },
        { QStringLiteral("command"), entry.command },
        { QStringLiteral("change"), entry.change },
        { QStringLiteral("detail"), entry.detail },
        { QStringLiteral("kind"), entry.kind },
        { QStringLiteral("name"), entry.name },
        { QStringLiteral("id"), entry.id },
        { QStringLiteral("collection"), entry.collection },
        { QStringLiteral("path"), entry.path },
        { QStringLiteral("holds"), entry.holds },
    };
}

} // namespace Services
