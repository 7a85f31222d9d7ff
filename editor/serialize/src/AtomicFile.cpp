#include <Serialize/AtomicFile.h>

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace Serialize {

bool writeAtomically(const QString& path, const std::function<bool(QIODevice&)>& write)
{
    if (path.isEmpty() || !QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    // Until commit() the data goes to a temporary file beside the target; an
    // uncommitted QSaveFile removes it when destroyed.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // commit() would rename a file whose buffered tail failed to reach the disk
    // (full disk, file size limit): flushing first tells.
    if (!write(file) || !file.flush())
        return false;
    return file.commit();
}

} // namespace Serialize
