#include "PathPolicy.h"

#include <FolderCatalogue.h>
#include <Settings/Settings.h>

#include <QDir>
#include <QFileInfo>
#include <QUuid>

namespace Services {
namespace Storage {

namespace {

// More links than this along one path is a loop.
constexpr int MaxLinkHops = 40;

} // namespace

QString cleanAbsolute(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool isWithin(const QString& path, const QString& folder)
{
    if (path == folder)
        return true;
    return path.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
}

QString resolved(const QString& path)
{
    QStringList pending = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current;
    int hops = 0;
    while (!pending.isEmpty()) {
        const QString next = current + QLatin1Char('/') + pending.takeFirst();
        const QFileInfo info(next);
        // isSymLink() holds for a dangling link too, which exists() does not see.
        if (!info.isSymLink()) {
            current = next;
            continue;
        }
        if (++hops > MaxLinkHops)
            return QString();
        pending = QDir::cleanPath(info.symLinkTarget()).split(QLatin1Char('/'), Qt::SkipEmptyParts) + pending;
        current.clear();
    }
    return current.isEmpty() ? QStringLiteral("/") : QDir::cleanPath(current);
}

bool isSaveTemporaryOf(const QString& fileName, const QString& finalName)
{
    return EditorCollection::Catalogue::isSaveTemporaryOf(fileName, finalName);
}

bool isLeftoverSave(const QString& fileName)
{
    return EditorCollection::Catalogue::isLeftoverSave(fileName);
}

bool isRecordName(const QString& fileName)
{
    return EditorCollection::Catalogue::isRecordName(fileName);
}

void PathPolicy::allow(const QString& path)
{
    if (path.isEmpty())
        return;
    const QString folder = cleanAbsolute(path);
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_allowed << folder;
}

bool PathPolicy::holdsServedFolder(const QString& path) const
{
    for (const QString& folder : folders()) {
        if (isWithin(folder, path))
            return true;
    }
    return false;
}

bool PathPolicy::Snapshot::serves(const QString& path, const QString& realPath) const
{
    if (realPath.isEmpty())
        return false;
    for (int i = 0; i < folders.size(); ++i) {
        if (isWithin(path, folders[i]) && isWithin(realPath, real[i]))
            return true;
    }
    return false;
}

PathPolicy::Snapshot PathPolicy::now() const
{
    Snapshot snapshot { folders(), {} };
    for (const QString& folder : snapshot.folders)
        snapshot.real << resolved(folder);
    return snapshot;
}

QStringList PathPolicy::folders() const
{
    const QString root = cleanAbsolute(Settings::dataRoot());
    const std::lock_guard<std::mutex> lock(m_mutex);
    return QStringList(root) + m_allowed;
}

} // namespace Storage
} // namespace Services
