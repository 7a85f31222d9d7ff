#include "TempDataRoot.h"
#include <Settings/Settings.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

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

QStringList withoutTrash(const QStringList& files)
{
    QStringList outside;
    for (const QString& file : files) {
        if (!file.startsWith(QLatin1String("trash/")))
            outside << file;
    }
    return outside;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace Testing
