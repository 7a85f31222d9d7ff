#include "BrowserWindow.h"
#include <Settings/Settings.h>
#include <usercollection_version.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QListView>
#include <QPixmap>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("usercollection-browser"));
    QApplication::setApplicationVersion(QStringLiteral(USERCOLLECTION_VERSION_STRING));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Browse the user's collections, live."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption data(QStringLiteral("data"),
        QStringLiteral("The data folder (default: $USERCOLLECTION_DATA, else the platform's)."),
        QStringLiteral("DIR"));
    const QCommandLineOption collection(
        QStringLiteral("collection"), QStringLiteral("The collection to show first."), QStringLiteral("ID"));
    // For the documentation: draws the window into FILE and exits.
    QCommandLineOption screenshot(QStringLiteral("screenshot"), QString(), QStringLiteral("FILE"));
    screenshot.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({ data, collection, screenshot });
    parser.process(app);

    Browser::BrowserWindow window(parser.isSet(data) ? parser.value(data) : Settings::dataRoot());
    if (parser.isSet(collection))
        window.showCollection(parser.value(collection));
    window.show();
    if (!parser.isSet(screenshot))
        return QApplication::exec();

    window.tileView()->setFocus();
    window.tileView()->setCurrentIndex(window.tileView()->model()->index(0, 0));
    QApplication::processEvents();
    return window.grab().save(parser.value(screenshot)) ? 0 : 1;
}
