#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <ostream>

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace Testing {

// A fresh data root for one test; the previous root comes back on destruction.
class TempDataRoot {
public:
    TempDataRoot();
    ~TempDataRoot();
    TempDataRoot(const TempDataRoot&) = delete;
    TempDataRoot& operator=(const TempDataRoot&) = delete;

    QString path() const { return m_dir.path(); }
    // Every file below the root, relative and sorted: to compare before and after.
    QStringList files() const;

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

// files (relative to the data root) but those its trash keeps.
QStringList withoutTrash(const QStringList& files);

// Writes bytes to path, making its folder first; false when that fails.
bool writeFile(const QString& path, const QByteArray& bytes = "contents");
// The whole file; empty when it cannot be read.
QByteArray readFile(const QString& path);

} // namespace Testing
