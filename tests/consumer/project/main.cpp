// An editor-like program linking the installed library: it starts the services,
// saves a title through the exported functions and shows the titles in a model.
#include <Collection/CollectionModel.h>
#include <Overlay/OverlayPresets.h>
#include <Services/CollectionService.h>
#include <Services/PersistenceService.h>
#include <usercollection_version.h>

#include <QGuiApplication>
#include <QSortFilterProxyModel>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    Services::PersistenceService persistence;
    Services::CollectionService collections;

    // A view of the titles, as an editor's panel would hold it; it follows every change.
    Collection::CollectionModel titles(
        Collection::CollectionModel::ItemType::Titles, QStringLiteral("titles"));
    QSortFilterProxyModel search;
    search.setSourceModel(&titles);
    search.setFilterFixedString(QStringLiteral("open"));
    search.setFilterCaseSensitivity(Qt::CaseInsensitive);

    Overlay::Preset preset;
    preset.id = "consumer-title";
    if (!Overlay::saveUserPreset(&preset, QStringLiteral("Opening")))
        return 1;
    const QString next = Overlay::nextName(QStringLiteral("Opening"));
    const QString shown = search.index(0, 0).data().toString();
    std::printf("usercollection %s, next name: %s, shown: %s\n", USERCOLLECTION_VERSION_STRING,
        qPrintable(next), qPrintable(shown));
    return next == QStringLiteral("Opening_01") && shown == QStringLiteral("Opening") ? 0 : 1;
}
