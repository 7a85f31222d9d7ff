#include "Application.h"

#include <QGuiApplication>
#include <cstdio>

namespace {

void ignoreMessage(QtMsgType, const QMessageLogContext&, const QString&) { }

} // namespace

int main(int argc, char** argv)
{
    // Previews are pixmaps, which need a GUI application but no display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The platform's start-up remarks (such as a missing runtime folder) would
    // bury the one line an error gets; later warnings are the user's business.
    const QtMessageHandler previous = qInstallMessageHandler(ignoreMessage);
    QGuiApplication app(argc, argv);
    qInstallMessageHandler(previous);
    QCoreApplication::setApplicationName(QStringLiteral("usercollection"));

    const int status = Cli::run(QCoreApplication::arguments());
    std::fflush(stdout);
    return status;
}
