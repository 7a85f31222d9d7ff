#pragma once

#include <TempDataRoot.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>

#include <map>

namespace Testing {

using Files = std::map<QString, QByteArray>; // relative path: contents

// Every file below folder, hidden ones too, with its contents.
inline Files filesBelow(const QString& folder)
{
    Files files;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        files[QDir(folder).relativeFilePath(path)] = readFile(path);
    }
    return files;
}

// Each kept file of <parent>/data unchanged, parent holding only entries and its
// "outside" folder nothing.
inline void expectKeptAndNothingOutside(const QString& parent, const QStringList& entries, const Files& kept)
{
    const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    EXPECT_EQ(QDir(parent).entryList(all), entries);
    EXPECT_EQ(QDir(parent + "/outside").entryList(all), QStringList());
    const Files now = filesBelow(parent + "/data");
    for (const auto& [file, bytes] : kept)
        EXPECT_EQ(now.count(file) ? now.at(file) : QByteArray("(gone)"), bytes) << file.toStdString();
}

} // namespace Testing
