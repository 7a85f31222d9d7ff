#include "Inputs.h"

#include "CommandError.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>
#include <QStringList>

#include <algorithm>

namespace Cli {

namespace {

struct KindName {
    Import::Object::Kind kind;
    const char* name;
};

const KindName kindNames[] = {
    { Import::Object::File, "file" },
    { Import::Object::Video, "video" },
    { Import::Object::Audio, "audio" },
    { Import::Object::Picture, "picture" },
    { Import::Object::Intro, "intro" },
};

} // namespace

Import::Object::Kind parseKind(const QString& text)
{
    for (const KindName& entry : kindNames) {
        if (entry.kind != Import::Object::Intro && text == QLatin1String(entry.name))
            return entry.kind;
    }
    throw usageError(QStringLiteral("unknown kind '%1' (expected file, video, audio or picture)").arg(text));
}

QStringList kindChoices()
{
    QStringList names;
    for (const KindName& entry : kindNames) {
        if (entry.kind != Import::Object::Intro)
            names += QString::fromLatin1(entry.name);
    }
    return names;
}

QString kindName(Import::Object::Kind kind)
{
    for (const KindName& entry : kindNames) {
        if (entry.kind == kind)
            return QString::fromLatin1(entry.name);
    }
    return QString::number(int(kind));
}

Import::Object::Kind guessKind(const QString& mediaPath)
{
    static const QStringList video
        = { "mp4", "m4v", "mov", "avi", "mkv", "webm", "mpg", "mpeg", "wmv", "mts" };
    static const QStringList audio = { "mp3", "wav", "flac", "ogg", "oga", "m4a", "aac", "wma", "opus" };
    static const QStringList picture = { "png", "jpg", "jpeg", "bmp", "gif", "tif", "tiff", "webp", "svg" };
    const QString suffix = QFileInfo(mediaPath).suffix().toLower();
    if (video.contains(suffix))
        return Import::Object::Video;
    if (audio.contains(suffix))
        return Import::Object::Audio;
    if (picture.contains(suffix))
        return Import::Object::Picture;
    return Import::Object::File;
}

std::shared_ptr<const Types::Image> readPreview(const QString& path)
{
    if (path.isEmpty())
        return nullptr;
    QImageReader reader(path);
    // Decoded at preview size: a photo would make a record of megabytes, and one of
    // more pixels than a record may hold could not be saved at all.
    const QSize size = reader.size();
    if (size.isValid() && std::max(size.width(), size.height()) > PreviewSide)
        reader.setScaledSize(size.scaled(PreviewSide, PreviewSide, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (!image.isNull() && std::max(image.width(), image.height()) > PreviewSide)
        image = image.scaled(PreviewSide, PreviewSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (image.isNull()) {
        throw usageError(QStringLiteral("cannot read the image %1: %2")
                             .arg(QDir::toNativeSeparators(path), reader.errorString()));
    }
    return std::make_shared<const Types::Image>(QPixmap::fromImage(image));
}

QString cleanName(const QString& name, const QString& what)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        throw usageError(name.isEmpty() ? QStringLiteral("missing %1").arg(what)
                                        : QStringLiteral("%1 is only blanks").arg(what));
    return trimmed;
}

QString requireName(const QString& name, const QString& what)
{
    if (name.isEmpty())
        throw usageError(QStringLiteral("missing %1").arg(what));
    return name;
}

QString requireExistingFile(const QString& path, const QString& option)
{
    if (path.isEmpty())
        throw usageError(QStringLiteral("missing %1").arg(option));
    const QFileInfo info(path);
    if (!info.isFile())
        throw usageError(QStringLiteral("%1: no such file %2").arg(option, QDir::toNativeSeparators(path)));
    return info.absoluteFilePath();
}

} // namespace Cli
