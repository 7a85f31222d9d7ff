#include "Application.h"

#include <QGuiApplication>
#include <QStringList>

#include <cstdio>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <memory>

namespace {

void ignoreMessage(QtMsgType, const QMessageLogContext&, const QString&) { }

} // namespace

int main(int argc, char** argv)
{
#ifdef __GLIBC__
    // A command holds many small objects for the whole run and frees a few larger
    // temporaries per record it reads; glibc's fast bins then make every such free
    // walk the heap (malloc_consolidate), a tenth of the time of a large listing.
    mallopt(M_MXFAST, 0);
#endif
    // Without TZ, glibc looks at /etc/localtime again for every local time it
    // converts: three stat calls per record a listing dates. Naming the file it would
    // read anyway keeps the zone and reads it once; Qt takes this value as "no zone set".
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
    // Pictures are drawn into pixmaps, which need a GUI application but no display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The platform's start-up remarks (such as a missing runtime folder) would
    // bury the one line an error gets; later warnings are the user's business.
    // Qt takes the options it knows (-reverse, -platform, ...) out of its
    // command line wherever they stand, even after "--" or as another option's
    // value; so it gets only the program's name, and the host every argument.
    QStringList arguments;
    for (int index = 0; index < argc; ++index)
        arguments += QString::fromLocal8Bit(argv[index]);
    int qtArgc = argc > 0 ? 1 : 0;

    const QtMessageHandler previous = qInstallMessageHandler(ignoreMessage);
    const std::unique_ptr<QCoreApplication> app = Cli::drawsPictures(arguments)
        ? std::make_unique<QGuiApplication>(qtArgc, argv)
        : std::make_unique<QCoreApplication>(qtArgc, argv);
    qInstallMessageHandler(previous);
    QCoreApplication::setApplicationName(QStringLiteral("usercollection"));

    const int status = Cli::run(arguments);
    std::fflush(stdout);
    return status;
}
