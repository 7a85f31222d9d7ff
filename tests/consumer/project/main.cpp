// An editor-like program linking the installed library: it starts the services and
// saves a title through the exported functions.
#include <Overlay/OverlayPresets.h>
#include <Services/CollectionService.h>
#include <Services/PersistenceService.h>
#include <usercollection_version.h>

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    Services::PersistenceService persistence;
    Services::CollectionService collections;

    Overlay::Preset preset;
    preset.id = "consumer-title";
    if (!Overlay::saveUserPreset(&preset, QStringLiteral("Opening")))
        return 1;
    const QString next = Overlay::nextName(QStringLiteral("Opening"));
    std::printf("usercollection %s, next name: %s\n", USERCOLLECTION_VERSION_STRING, qPrintable(next));
    return next == QStringLiteral("Opening_01") ? 0 : 1;
}
