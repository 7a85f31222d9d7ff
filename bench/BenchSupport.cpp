#include "BenchSupport.h"

#include <Settings/Settings.h>

#include <QtGlobal>

namespace Bench {

DataRoot& DataRoot::instance()
{
    static DataRoot root;
    return root;
}

DataRoot::DataRoot()
{
    Settings::setDataRoot(m_dir.path());
}

void silenceQtMessages()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

} // namespace Bench
