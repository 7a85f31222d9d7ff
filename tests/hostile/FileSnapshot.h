#pragma once

#include <TempDataRoot.h>

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QString>

#include <map>

namespace Testing {

using Files = std::map<QString, QByteArray>; // relative path: contents

// Every file below folder, hidden ones too, with its contents.
inline Files filesBelow(const QString& folder)
{
    Files files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files[QDir(folder).relativeFilePath(path)] = readFile(path);
    }
    return files;
}

inline QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace Testing
