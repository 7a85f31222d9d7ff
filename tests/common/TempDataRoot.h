#pragma once

#include <QString>
#include <QTemporaryDir>

namespace Testing {

// A fresh data root for one test; the previous root comes back on destruction.
class TempDataRoot
{
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

} // namespace Testing
