#include "FolderWatch.h"

#include <QFileInfo>

namespace Services {

FolderWatch::FolderWatch(std::function<void(const QSet<QString>& changed)> report)
    : m_report(std::move(report))
{
    m_gather.setSingleShot(true);
    m_gather.setInterval(GatherMs);
    QObject::connect(&m_gather, &QTimer::timeout, [this] {
        const QSet<QString> changed = std::move(m_changed);
        m_changed.clear();
        m_report(changed);
    });
    QObject::connect(
        &m_watcher, &QFileSystemWatcher::directoryChanged, [this](const QString& path) { changed(path); });
}

FolderWatch::~FolderWatch() = default;

void FolderWatch::watch(const QString& folder)
{
    if (m_watched.contains(folder) || !QFileInfo(folder).isDir())
        return;
    if (m_watcher.addPath(folder))
        m_watched.insert(folder);
}

void FolderWatch::forget(const QString& folder)
{
    if (m_watched.remove(folder))
        m_watcher.removePath(folder);
}

void FolderWatch::changed(const QString& path)
{
    m_changed.insert(path);
    // A folder that went away is no longer watched; watch() takes it again should
    // it come back.
    if (!QFileInfo(path).isDir())
        forget(path);
    if (!m_gather.isActive())
        m_gather.start();
}

} // namespace Services
