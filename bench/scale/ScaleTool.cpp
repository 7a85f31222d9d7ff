// Fills a data folder through the library's exported calls, and reads a folder's files
// as the floor a listing is judged against; bench/scale.py drives it.
//
//   usercollection_scale fill DIR N    N equalizer presets (80x80 previews drawn as the
//                                      program draws them) and N titles, in DIR
//   usercollection_scale read FOLDER   lists FOLDER and reads every file in it

#include "Previews.h"
#include <Effect/AudioEqualizer.h>
#include <Effect/UserEffects.h>
#include <Overlay/OverlayPresets.h>
#include <Services/PersistenceService.h>
#include <Settings/Settings.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QUuid>

#include <cstdio>

namespace {

int fill(const QString& root, int count)
{
    Settings::setDataRoot(root);
    const Services::PersistenceService persistence;
    Effect::AudioEqualizer equalizer;
    Overlay::Preset title;
    for (int i = 0; i < count; ++i) {
        equalizer.bandGains[std::size_t(i % Effect::AudioEqualizer::BandCount)] = i % 13 - 6;
        equalizer.preamp = i % 7 - 3;
        // Into no collection: a registration per preset would make filling quadratic.
        if (!Effect::saveUserEffect(&equalizer, QStringLiteral("Preset %1").arg(i), std::string(),
                Cli::equalizerPreview(equalizer)))
            return 1;
        title.text = QStringLiteral("Title text %1").arg(i).toStdString();
        // Stored as a user title is, without the registration that has nothing to register with.
        const QString file = QDir(Settings::userOverlaysPath()).filePath(QUuid::createUuid().toString());
        if (!Overlay::savePreset(&title, QStringLiteral("Title %1").arg(i), file, { "category_my_titles" }))
            return 1;
    }
    return 0;
}

int read(const QString& folder)
{
    qint64 bytes = 0;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            bytes += file.readAll().size();
    }
    std::printf("%lld\n", static_cast<long long>(bytes));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const QString command = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (command == QLatin1String("read") && argc == 3)
        return read(QString::fromLocal8Bit(argv[2]));
    if (command == QLatin1String("fill") && argc == 4) {
        // The previews are pixmaps.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return fill(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]).toInt());
    }
    std::fprintf(stderr, "usage: usercollection_scale fill DIR N | read FOLDER\n");
    return 2;
}
