#include <Settings/Settings.h>

#include <QDir>
#include <QStandardPaths>

#include <mutex>

namespace Settings {

namespace {

std::mutex& rootMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Empty until setDataRoot: the default is computed on each call, so that it
// follows USERCOLLECTION_DATA.
QString& chosenRoot()
{
    static QString root;
    return root;
}

QString defaultRoot()
{
    const QString fromEnvironment = qEnvironmentVariable("USERCOLLECTION_DATA");
    if (!fromEnvironment.isEmpty())
        return QDir::cleanPath(fromEnvironment);
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/usercollection");
}

QString below(const QString& relative)
{
    QString root = dataRoot();
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    return root + relative;
}

} // namespace

void setDataRoot(const QString& path)
{
    const QString cleaned = path.isEmpty() ? QString() : QDir::cleanPath(path);
    std::lock_guard lock(rootMutex());
    chosenRoot() = cleaned;
}

QString dataRoot()
{
    {
        std::lock_guard lock(rootMutex());
        if (!chosenRoot().isEmpty())
            return chosenRoot();
    }
    return defaultRoot();
}

QString userEffectsPath(const std::string& effectTypeName)
{
    return below(QStringLiteral("effects/") + QString::fromStdString(effectTypeName));
}

QString userIntrosPath()
{
    return below(QStringLiteral("intros"));
}

QString userOverlaysPath()
{
    return below(QStringLiteral("overlays"));
}

QString userImportsPath()
{
    return below(QStringLiteral("imports"));
}

namespace {

QString& chosenCommand()
{
    static QString command = QStringLiteral("library");
    return command;
}

thread_local int bypassDepth = 0;

} // namespace

void setChangeCommand(const QString& command)
{
    std::lock_guard lock(rootMutex());
    chosenCommand() = command;
}

QString changeCommand()
{
    std::lock_guard lock(rootMutex());
    return chosenCommand();
}

TrashBypass::TrashBypass()
{
    ++bypassDepth;
}

TrashBypass::~TrashBypass()
{
    --bypassDepth;
}

bool trashBypassed()
{
    return bypassDepth > 0;
}

} // namespace Settings
