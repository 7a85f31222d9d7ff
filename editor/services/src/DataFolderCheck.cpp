#include "PathPolicy.h"
#include "RecordFiles.h"
#include <FolderCatalogue.h>
#include <Model/EffectObject.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <Services/DataFolderCheck.h>
#include <Services/Trash.h>
#include <Settings/Settings.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>

#include <algorithm>
#include <map>
#include <tuple>
#include <type_traits>

namespace Services {

namespace {

using namespace Storage;

// The problems of one collection folder, found the way its listing reads it.
class FolderCheck {
public:
    FolderCheck(const QString& dataRoot, const QString& collection, std::vector<FolderProblem>& problems)
        : m_root(dataRoot)
        , m_folder(QDir(dataRoot).filePath(collection))
        , m_collection(collection)
        , m_problems(problems)
    {
    }

    // Records of item type T; misfit says why a readable one does not belong here
    // (empty when it does). Which record of an item is listed, the catalogue decides,
    // as it does for the listing.
    template <class T, class Misfit>
    void check(Misfit misfit, bool foldersAreIntros)
    {
        QSet<QString> read;
        std::vector<QString> paths;
        std::vector<QString> names;
        std::vector<EditorCollection::Catalogue::Entry> entries;
        for (const FoundRecord& found : recordLocations(m_folder)) {
            const Location& location = found.location;
            // A record stored at a subfolder is that folder, to the user and to removal.
            const bool atSubfolder = !location.folder.isEmpty() && location.folder != m_folder;
            const QString what = atSubfolder ? location.folder : location.recordFile;
            read.insert(what);
            if (atSubfolder)
                checkInside(location.folder);
            EditorCollection::LoadedRecords<T> records;
            if (const ReadFailure failure = readRecordOf(location.recordFile, records)) {
                add(kindOf(failure), what, failure.reason);
                continue;
            }
            const T* item = records[0].item;
            if (!item) {
                add(QStringLiteral("damaged"), what, QStringLiteral("a record without an item"));
                continue;
            }
            if (const QString reason = misfit(*item); !reason.isEmpty()) {
                add(QStringLiteral("foreign"), what, reason);
                continue;
            }
            paths.push_back(what);
            names.push_back(EditorCollection::displayNameOf(records[0]));
            entries.push_back(
                { m_folder, QFileInfo(what).fileName(), EditorCollection::kindOf(*item), item->id });
        }
        const std::vector<std::size_t> listed = EditorCollection::Catalogue::listedOf(entries);
        std::map<std::pair<const EditorCollection::ItemKind*, QString>, std::size_t> named;
        for (std::size_t index = 0; index < entries.size(); ++index) {
            if (listed[index] != index) {
                add(QStringLiteral("duplicate"), paths[index],
                    QStringLiteral("the same item as %1, which is the one listed")
                        .arg(relative(paths[listed[index]])));
                continue;
            }
            const auto first = named.emplace(std::make_pair(entries[index].kind, names[index]), index);
            if (first.second)
                continue;
            // Both stay reachable by id; --fix gives the later one the next free name.
            QSet<QString> taken;
            for (const auto& [kindAndName, at] : named) {
                if (kindAndName.first == entries[index].kind)
                    taken.insert(kindAndName.second);
            }
            const QString free = freeName(names[index], taken);
            named.emplace(std::make_pair(entries[index].kind, free), index);
            m_problems.push_back({ QStringLiteral("name"), m_collection, paths[index],
                QStringLiteral("another item, %1, is called '%2' too; --fix names this one '%3'")
                    .arg(relative(paths[first.first->second]), names[index], free),
                free });
        }
        checkPassedOver(read, foldersAreIntros);
    }

private:
    // name, or its first numbered variant (name_01, ...) that taken does not hold.
    static QString freeName(const QString& name, const QSet<QString>& taken)
    {
        const QString stem = QString(name).remove(QRegularExpression(QStringLiteral("_\\d+$")));
        QString free = name;
        for (int counter = 1; taken.contains(free); ++counter)
            free = stem + QStringLiteral("_%1").arg(counter, 2, 10, QLatin1Char('0'));
        return free;
    }

    static QString kindOf(const ReadFailure& failure)
    {
        switch (failure.kind) {
        case ReadFailure::Unreadable:
            return QStringLiteral("unreadable");
        case ReadFailure::Foreign:
            return QStringLiteral("foreign");
        default:
            return QStringLiteral("damaged");
        }
    }

    // What lies in the folder but is not read by its listing.
    void checkPassedOver(const QSet<QString>& read, bool foldersAreIntros)
    {
        const auto entries = QDir(m_folder).entryInfoList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo& entry : entries) {
            const QString path = entry.absoluteFilePath();
            if (read.contains(path))
                continue;
            if (isLeftoverSave(entry.fileName()))
                add(QStringLiteral("leftover"), path, QStringLiteral("left by a save that never finished"));
            else if (entry.isDir() && foldersAreIntros)
                add(QStringLiteral("orphan"), path, QStringLiteral("an intro folder without its record"));
            else
                add(QStringLiteral("ignored"), path, QStringLiteral("not read by the listing"));
        }
    }

    // The folder of a record stored at a folder holds its record and the bundle.
    void checkInside(const QString& folder)
    {
        const auto entries = QDir(folder).entryInfoList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo& entry : entries) {
            const QString name = entry.fileName();
            if (name == RecordFileName || name == OwnBundleName)
                continue;
            if (isSaveTemporaryOf(name, RecordFileName) || isSaveTemporaryOf(name, OwnBundleName))
                add(QStringLiteral("leftover"), entry.absoluteFilePath(),
                    QStringLiteral("left by a save that never finished"));
            else
                add(QStringLiteral("ignored"), entry.absoluteFilePath(),
                    QStringLiteral("not the item's own file"));
        }
    }

    QString relative(const QString& path) const { return m_root.relativeFilePath(path); }

    void add(const QString& kind, const QString& path, const QString& detail)
    {
        m_problems.push_back({ kind, m_collection, path, detail, QString() });
    }

    const QDir m_root;
    const QString m_folder;
    const QString m_collection;
    std::vector<FolderProblem>& m_problems;
};

// An intro's bundle belongs to it: without it the intro has nothing to open.
QString introMisfit(const Import::Object& intro)
{
    if (intro.kind == Import::Object::Intro && !QFileInfo(QString::fromStdString(intro.path)).isFile())
        return QStringLiteral("its bundle %1 is missing").arg(QString::fromStdString(intro.path));
    return QString();
}

} // namespace

std::vector<FolderProblem> checkDataFolder(const QString& dataRoot)
{
    using EditorCollection::ItemKind;
    std::vector<FolderProblem> problems;
    // The kinds' folders as the settings lay them out, below dataRoot.
    const QDir layout(Settings::dataRoot());
    const auto folderOf = [&layout](const ItemKind& kind) { return layout.relativeFilePath(kind.folder()); };
    // Every effect type's folder, one no preset kind has included.
    const QString effects
        = QFileInfo(folderOf(EditorCollection::itemKind(EditorCollection::ItemKindId::Equalizer))).path();
    for (const QString& type :
        QDir(QDir(dataRoot).filePath(effects)).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString folder = effects + QLatin1Char('/') + type;
        FolderCheck(dataRoot, folder, problems)
            .check<Effect::Object>(
                [&](const Effect::Object& effect) {
                    const ItemKind* kind = EditorCollection::kindOf(effect);
                    return kind && folderOf(*kind) == folder
                        ? QString()
                        : QStringLiteral("a preset of %1, not of %2")
                              .arg(QString::fromStdString(effect.name()), type);
                },
                false);
    }
    for (const ItemKind& kind : EditorCollection::itemKinds()) {
        if (kind.recordType == EditorCollection::RecordNames::Effect)
            continue;
        const bool intros = kind.naming == EditorCollection::FileNaming::FolderById;
        EditorCollection::withItemClass(kind.id, [&](auto itemClass) {
            using T = typename decltype(itemClass)::StoredType;
            FolderCheck(dataRoot, folderOf(kind), problems)
                .check<T>(
                    [intros](const T& item) {
                        if constexpr (std::is_same_v<T, Import::Object>)
                            return intros ? introMisfit(item) : QString();
                        return QString();
                    },
                    intros);
        });
    }
    std::stable_sort(problems.begin(), problems.end(), [](const FolderProblem& a, const FolderProblem& b) {
        return std::tie(a.collection, a.path) < std::tie(b.collection, b.path);
    });
    return problems;
}

std::vector<FolderProblem> findInterruptedSaves(const QString& dataRoot)
{
    using EditorCollection::Catalogue::isLeftoverSave;
    std::vector<FolderProblem> problems;
    const QDir root(dataRoot);
    const QDir layout(Settings::dataRoot());
    const auto leftover = [&](const QString& collection, const QString& path) {
        problems.push_back({ QStringLiteral("leftover"), collection, path,
            QStringLiteral("left by a save that never finished"), QString() });
    };
    const auto everyName = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    std::map<QString, bool> folders; // below the root: whether it holds intros
    for (const EditorCollection::ItemKind& kind : EditorCollection::itemKinds())
        folders[layout.relativeFilePath(kind.folder())]
            |= kind.naming == EditorCollection::FileNaming::FolderById;
    for (const auto& [collection, intros] : folders) {
        const QDir folder(root.filePath(collection));
        for (const QString& name : folder.entryList(everyName, QDir::NoSort)) {
            const QString path = folder.filePath(name);
            if (isLeftoverSave(name)) {
                leftover(collection, path);
                continue;
            }
            if (!intros || !QFileInfo(path).isDir() || QFileInfo(path).isSymLink())
                continue;
            // An intro's folder is made first and its record written last.
            if (!QFileInfo::exists(QDir(path).filePath(EditorCollection::Catalogue::recordFileName()))) {
                problems.push_back({ QStringLiteral("orphan"), collection, path,
                    QStringLiteral("an intro folder without its record"), QString() });
                continue;
            }
            for (const QString& inside : QDir(path).entryList(everyName, QDir::NoSort)) {
                if (isLeftoverSave(inside))
                    leftover(collection, QDir(path).filePath(inside));
            }
        }
    }
    std::sort(problems.begin(), problems.end(), [](const FolderProblem& a, const FolderProblem& b) {
        return std::tie(a.collection, a.path) < std::tie(b.collection, b.path);
    });
    return problems;
}

namespace {

// Whether the entry at path really lies in the data folder: one behind a link to a
// folder elsewhere is reported, never moved or rewritten. A link itself lies where
// its own folder does, so it can be moved.
bool liesInside(const QString& path, const QString& realRoot)
{
    const QString folder = QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
    return !folder.isEmpty() && (folder == realRoot || folder.startsWith(realRoot + QLatin1Char('/')));
}

// Keeps the record a name fix rewrites in the trash, as it was.
bool keepRenamed(const QString& dataRoot, const FolderProblem& problem)
{
    TrashEntry note;
    const QString file
        = QFileInfo(problem.path).isDir() ? QDir(problem.path).filePath(RecordFileName) : problem.path;
    describeRecord(file, note);
    note.change = QStringLiteral("renamed");
    note.detail = QStringLiteral("to '%1'").arg(problem.newName);
    return !keepInTrash(dataRoot, note, file, false).folder.isEmpty();
}

} // namespace

std::vector<FolderProblem> quarantineProblems(
    const QString& dataRoot, const std::vector<FolderProblem>& problems)
{
    const QDir root(dataRoot);
    const QString realRoot = QFileInfo(dataRoot).canonicalFilePath();
    const QString quarantine
        = root.filePath(QStringLiteral("quarantine/") + QDate::currentDate().toString(Qt::ISODate));
    QFile note(QDir(quarantine).filePath(QStringLiteral("NOTE.txt")));
    std::vector<FolderProblem> left;
    std::vector<FolderProblem> moving;
    for (const FolderProblem& problem : problems) {
        if (!liesInside(problem.path, realRoot))
            left.push_back(problem);
        else if (problem.kind != QLatin1String("name"))
            moving.push_back(problem);
        else if (!keepRenamed(dataRoot, problem) || !renameRecordAt(problem.path, problem.newName))
            left.push_back(problem);
    }
    if (moving.empty())
        return left;
    if (QFileInfo(root.filePath(QStringLiteral("quarantine"))).isSymLink() || !QDir().mkpath(quarantine)
        || !liesInside(note.fileName(), realRoot) || !note.open(QIODevice::Append | QIODevice::Text)) {
        left.insert(left.end(), moving.begin(), moving.end());
        return left;
    }
    for (const FolderProblem& problem : moving) {
        const QString relative = root.relativeFilePath(problem.path);
        QString target = QDir(quarantine).filePath(relative);
        for (int copy = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++copy)
            target = QDir(quarantine).filePath(relative) + QStringLiteral(".%1").arg(copy);
        const bool moved = !relative.startsWith(QLatin1String(".."))
            && QDir().mkpath(QFileInfo(target).path()) && QDir().rename(problem.path, target);
        if (!moved) {
            left.push_back(problem);
            continue;
        }
        QTextStream(&note) << root.relativeFilePath(target) << ": " << problem.kind << ", was " << relative
                           << ": " << problem.detail << '\n';
    }
    return left;
}

} // namespace Services
