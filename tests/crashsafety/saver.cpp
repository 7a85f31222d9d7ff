// saver <data root> <label> <count> [list]: starts the services on the data root,
// with "list" lists the presets stored there, prints "ready", waits for a line on
// stdin, then saves presets "<label>-0".. in turn, printing "<name> <values>" as soon
// as each save has returned. Exits 1 when a save fails. With CRASHSAFETY_NAMED_TEMPORARIES
// set, the file system seems to offer no unnamed files, so that every save goes through
// a named temporary that a kill can leave behind.

#include "Presets.h"
#include <Effect/UserEffects.h>
#include <Overlay/OverlayPresets.h>
#include <Services/CollectionService.h>
#include <Services/PersistenceService.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QPixmap>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

// Defined in the program, so Qt's opening of files comes here before the C library.
extern "C" int open64(const char* path, int flags, ...)
{
    static const bool namedOnly = std::getenv("CRASHSAFETY_NAMED_TEMPORARIES") != nullptr;
    static const auto next = reinterpret_cast<int (*)(const char*, int, ...)>(dlsym(RTLD_NEXT, "open64"));
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
    }
    if (namedOnly && (flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return next(path, flags, mode);
}

namespace {

using namespace CrashSafety;
using Preview = std::shared_ptr<const Types::Image>;

// One write per line: the parent must see whole lines only, up to the moment of a kill.
void say(const QString& line)
{
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    if (::write(STDOUT_FILENO, bytes.constData(), size_t(bytes.size())) != bytes.size())
        std::abort();
}

template <class T>
bool saveEffect(const QString& name, const std::vector<double>& values, const Preview& preview)
{
    T effect;
    setValues(effect, values);
    return Effect::saveUserEffect(&effect, name, {}, preview) != nullptr;
}

bool save(const QString& name, const std::vector<double>& values, const Preview& preview)
{
    switch (kindOf(name)) {
    case Kind::Equalizer:
        return saveEffect<Effect::AudioEqualizer>(name, values, preview);
    case Kind::Enhance:
        return saveEffect<Effect::ManualEnhance>(name, values, preview);
    case Kind::Title:
        break;
    }
    Overlay::Preset title;
    title.text = name.toStdString();
    setValues(title, values);
    return Overlay::saveUserPreset(&title, name);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 4 && argc != 5)
        return 2;
    Settings::setDataRoot(QString::fromLocal8Bit(argv[1]));
    const QString label = QString::fromLocal8Bit(argv[2]);
    const int count = std::stoi(argv[3]);
    Services::PersistenceService persistence;
    Services::CollectionService collections;
    QPixmap pixmap(8, 8);
    pixmap.fill(Qt::darkCyan);
    const Preview preview = std::make_shared<const Types::Image>(pixmap);

    for (const Kind kind : Kinds)
        for (const Stored& stored : argc == 5 ? load(kind, folderOf(kind)) : std::vector<Stored>())
            say(stored.line());
    say(QStringLiteral("ready"));
    std::string go;
    std::getline(std::cin, go);
    for (int index = 0; index < count; ++index) {
        const QString name = presetName(label, index);
        const std::vector<double> values = valuesOf(name);
        if (!save(name, values, preview)) {
            say(QStringLiteral("failed ") + name);
            return 1;
        }
        QString line = name;
        for (const double value : values)
            line += QLatin1Char(' ') + QString::number(value, 'g', 17);
        say(line);
    }
    return 0;
}
