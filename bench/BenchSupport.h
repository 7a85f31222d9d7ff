#pragma once

// What several benchmarks share: a temporary data root and a quiet message handler.

#include <QString>
#include <QTemporaryDir>

namespace Bench {

// A fresh data root for the whole run, made current on first use and removed at exit.
class DataRoot {
public:
    static DataRoot& instance();

    QString path() const { return m_dir.path(); }

private:
    DataRoot();
    QTemporaryDir m_dir;
};

// Skipped-record warnings would flood the output; benchmarks check results instead.
void silenceQtMessages();

} // namespace Bench
