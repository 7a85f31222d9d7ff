#include "Host.h"

#include "CommandError.h"
#include <Model/CollectionID.h>
#include <Services/CollectionBrowser.h>
#include <Services/CollectionService.h>
#include <Services/DataFolderCheck.h>
#include <Services/PersistenceService.h>
#include <Settings/Settings.h>

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <signal.h>
#endif

namespace Cli {

const std::string UserImportsCategory = "my_imports";
const QString LockFileName = QStringLiteral(".lock");

namespace {

// Saves take a fraction of a second; a minute of waiting means something is stuck.
constexpr int LockWaitMs = 60000;

// The user collections read their folders from the settings, so the root is set
// before they are made.
QString useDataRoot(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isDir())
        throw failure(
            QStringLiteral("the data folder %1 is not a folder").arg(QDir::toNativeSeparators(path)));
    Settings::setDataRoot(info.absoluteFilePath());
    return Settings::dataRoot();
}

} // namespace

class Host::SignalsHeld {
public:
    SignalsHeld()
    {
#ifdef Q_OS_UNIX
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : { SIGINT, SIGTERM, SIGHUP })
            sigaddset(&held, signal);
        pthread_sigmask(SIG_BLOCK, &held, &m_before);
#endif
    }
    ~SignalsHeld()
    {
        // What was printed must be out before a signal held back ends the program.
        std::fflush(stdout);
        std::fflush(stderr);
#ifdef Q_OS_UNIX
        pthread_sigmask(SIG_SETMASK, &m_before, nullptr);
#endif
    }

private:
#ifdef Q_OS_UNIX
    sigset_t m_before;
#endif
};

Host::Host(const QString& dataRoot)
    : m_dataRoot(useDataRoot(dataRoot))
    , m_persistence(std::make_unique<Services::PersistenceService>())
    , m_collections(std::make_unique<Services::CollectionService>())
    , m_browser(std::make_unique<Services::CollectionBrowser>())
    , m_imports(EditorCollection::CollectionID::IMPORTS, UserImportsCategory, Settings::userImportsPath())
    , m_intros(Import::UserCollection::makeIntroCollection())
{
    m_collections->loadWhenFirstNeeded(m_dataRoot);
}

// Declared first, the signals held back are let go last, after the lock.
Host::~Host() = default;

void Host::prepareForWriting()
{
    if (!m_signalsHeld)
        m_signalsHeld = std::make_unique<SignalsHeld>();
    const QString shown = QDir::toNativeSeparators(m_dataRoot);
    if (!QDir().mkpath(m_dataRoot))
        throw failure(QStringLiteral("cannot create the data folder %1").arg(shown));
    QTemporaryFile probe(QDir(m_dataRoot).filePath(QStringLiteral(".write-test-XXXXXX")));
    if (!probe.open()) {
        const bool readOnly = !QFileInfo(m_dataRoot).isWritable();
        throw failure(QStringLiteral("cannot write in the data folder %1%2")
                          .arg(shown, readOnly ? QStringLiteral(": it is read-only") : QString()));
    }
    lock();
    putAwayInterruptedSaves();
}

// A save killed part way (SIGKILL, power loss) left files no listing reads; the next
// writer moves them where check --fix would, so that no item stays half there and
// nothing of it is lost.
void Host::putAwayInterruptedSaves()
{
    const std::vector<Services::FolderProblem> found = Services::findInterruptedSaves(m_dataRoot);
    if (found.empty())
        return;
    const std::size_t moved = found.size() - Services::quarantineProblems(m_dataRoot, found).size();
    if (moved == 0)
        return; // check goes on reporting them
    std::fprintf(stderr,
        "usercollection: note: put %zu leftover(s) of an interrupted save into quarantine/%s\n", moved,
        qPrintable(QDate::currentDate().toString(Qt::ISODate)));
}

void Host::lock()
{
    if (m_lock)
        return;
    auto lock = std::make_unique<QLockFile>(QDir(m_dataRoot).filePath(LockFileName));
    // A holder that was killed leaves a stale lock, which tryLock takes over.
    if (!lock->tryLock(LockWaitMs)) {
        // Nothing of ours can change a folder we may not write in: a reader goes on.
        if (lock->error() == QLockFile::PermissionError && !QFileInfo(m_dataRoot).isWritable())
            return;
        throw failure(QStringLiteral("the data folder %1 is in use by another process (lock file %2)")
                          .arg(QDir::toNativeSeparators(m_dataRoot), LockFileName));
    }
    m_lock = std::move(lock);
}

QString Host::picturesPath() const
{
    return QDir(m_dataRoot).filePath(QStringLiteral("pictures"));
}

} // namespace Cli
