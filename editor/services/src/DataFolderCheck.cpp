#include "PathPolicy.h"
#include "RecordFiles.h"
#include <Model/EffectObject.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <Services/DataFolderCheck.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTextStream>

#include <algorithm>
#include <map>
#include <tuple>

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
    // (empty when it does).
    template <class T, class Misfit>
    void check(Misfit misfit, bool foldersAreIntros)
    {
        QSet<QString> read;
        std::map<ItemKey, QString> listedFrom;
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
            const auto listed = listedFrom.emplace(keyOf(*item), what);
            if (!listed.second)
                add(QStringLiteral("duplicate"), what,
                    QStringLiteral("the same item as %1, which is the one listed")
                        .arg(relative(listed.first->second)));
        }
        checkPassedOver(read, foldersAreIntros);
    }

private:
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
        m_problems.push_back({ kind, m_collection, path, detail });
    }

    const QDir m_root;
    const QString m_folder;
    const QString m_collection;
    std::vector<FolderProblem>& m_problems;
};

QString noMisfit(const Import::Object&)
{
    return QString();
}

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
    std::vector<FolderProblem> problems;
    const QDir root(dataRoot);
    const QDir effects(root.filePath(QStringLiteral("effects")));
    for (const QString& type : effects.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        FolderCheck(dataRoot, QStringLiteral("effects/") + type, problems)
            .check<Effect::Object>(
                [&type](const Effect::Object& effect) {
                    const QString kind = QString::fromStdString(effect.name());
                    return kind == type ? QString()
                                        : QStringLiteral("a preset of %1, not of %2").arg(kind, type);
                },
                false);
    }
    FolderCheck(dataRoot, QStringLiteral("intros"), problems).check<Import::Object>(introMisfit, true);
    FolderCheck(dataRoot, QStringLiteral("imports"), problems).check<Import::Object>(noMisfit, false);
    FolderCheck(dataRoot, QStringLiteral("overlays"), problems)
        .check<Overlay::Preset>([](const Overlay::Preset&) { return QString(); }, false);
    std::stable_sort(problems.begin(), problems.end(), [](const FolderProblem& a, const FolderProblem& b) {
        return std::tie(a.collection, a.path) < std::tie(b.collection, b.path);
    });
    return problems;
}

std::vector<FolderProblem> quarantineProblems(
    const QString& dataRoot, const std::vector<FolderProblem>& problems)
{
    const QDir root(dataRoot);
    const QString quarantine
        = root.filePath(QStringLiteral("quarantine/") + QDate::currentDate().toString(Qt::ISODate));
    QFile note(QDir(quarantine).filePath(QStringLiteral("NOTE.txt")));
    if (problems.empty())
        return {};
    if (!QDir().mkpath(quarantine) || !note.open(QIODevice::Append | QIODevice::Text))
        return problems;
    std::vector<FolderProblem> left;
    for (const FolderProblem& problem : problems) {
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
