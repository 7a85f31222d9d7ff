#include "PathPolicy.h"

#include <Settings/Settings.h>

#include <QDir>
#include <QFileInfo>
#include <QUuid>

namespace Services {
namespace Storage {

namespace {

// More links than this along one path is a loop.
constexpr int MaxLinkHops = 40;
constexpr int SaveTemporarySuffixLength = 6;

bool isBracedUuid(const QString& name)
{
    return name.startsWith(QLatin1Char('{')) && !QUuid(name).isNull();
}

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
    if (fileName.size() != finalName.size() + 1 + SaveTemporarySuffixLength || !fileName.startsWith(finalName)
        || fileName[finalName.size()] != QLatin1Char('.'))
        return false;
    for (int i = finalName.size() + 1; i < fileName.size(); ++i) {
        if (fileName[i].unicode() > 0x7f || !fileName[i].isLetterOrNumber())
            return false;
    }
    return true;
}

bool isLeftoverSave(const QString& fileName)
{
    const int dot = fileName.size() - 1 - SaveTemporarySuffixLength;
    if (dot < 1)
        return false;
    const QString finalName = fileName.left(dot);
    return (finalName == RecordFileName || finalName.endsWith(QLatin1String(".bundle"))
               || isBracedUuid(finalName))
        && isSaveTemporaryOf(fileName, finalName);
}

bool isRecordName(const QString& fileName)
{
    return !fileName.isEmpty() && !fileName.startsWith(QLatin1Char('.')) && fileName != RecordFileName
        && !fileName.endsWith(QLatin1String(".bundle")) && !isLeftoverSave(fileName);
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
