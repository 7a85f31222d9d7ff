#include "BenchSupport.h"

#include <QtGlobal>
#include <Settings/Settings.h>

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
