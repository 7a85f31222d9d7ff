#include "TempDataRoot.h"

#include <Settings/Settings.h>

#include <QDir>
#include <QDirIterator>

namespace Testing {

TempDataRoot::TempDataRoot()
    : m_previous(Settings::dataRoot())
{
    Settings::setDataRoot(m_dir.path());
}

TempDataRoot::~TempDataRoot()
{
    Settings::setDataRoot(m_previous);
}

QStringList TempDataRoot::files() const
{
    QStringList result;
    const QDir root(m_dir.path());
    QDirIterator it(m_dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        result << root.relativeFilePath(it.next());
    result.sort();
    return result;
}

} // namespace Testing
