#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <functional>

namespace Services {

// Watches folders and reports the ones that changed, a burst of changes at a time:
// the first change starts a short wait, and everything that changed until it ends
// comes in one report, so an import of a thousand files costs a few rescans.
class FolderWatch {
public:
    // Waits this long after a first change: well below a second, well above the time
    // one save takes.
    static constexpr int GatherMs = 250;

    explicit FolderWatch(std::function<void(const QSet<QString>& changed)> report);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Watches folder (an existing one; watching it twice is harmless).
    void watch(const QString& folder);
    void forget(const QString& folder);

private:
    void changed(const QString& path);

    std::function<void(const QSet<QString>&)> m_report;
    QFileSystemWatcher m_watcher;
    QTimer m_gather;
    QSet<QString> m_changed;
    QSet<QString> m_watched;
};

} // namespace Services
