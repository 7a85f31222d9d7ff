#include "ShowCommand.h"

#include "CollectionItems.h"
#include "CommandError.h"
#include "Host.h"
#include "InfoCommand.h"
#include "Output.h"
#include <ItemKinds.h>
#include <Model/CollectionID.h>
#include <Model/EffectObject.h>
#include <Model/OverlayPreset.h>
#include <Serialize/AtomicFile.h>
#include <Services/CollectionBrowser.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>

namespace Cli {

namespace {

constexpr int MaxPictureNameLength = 200;
constexpr int ItemPictureSide = 512;
constexpr int CaptionHeight = 32;

// Whole or not at all: a failed write leaves no broken picture behind.
bool writePicture(const QImage& picture, const QString& file, const QByteArray& format)
{
    return Serialize::writeAtomically(
        file, [&picture, &format](QIODevice& out) { return picture.save(&out, format.constData()); });
}

// The image format a file name asks for: PNG, JPEG, or WebP where Qt has the plugin.
QByteArray pictureFormat(const QString& file)
{
    const QString suffix = QFileInfo(file).suffix().toLower();
    const QByteArray format = suffix == QLatin1String("jpeg") ? QByteArray("jpg") : suffix.toLatin1();
    const QList<QByteArray> supported = QImageWriter::supportedImageFormats();
    for (const char* known : { "png", "jpg", "webp" }) {
        if (format == known && supported.contains(format))
            return format;
    }
    QStringList offered;
    for (const char* known : { "png", "jpg", "jpeg", "webp" }) {
        if (supported.contains(known))
            offered << QStringLiteral(".%1").arg(QLatin1String(known));
    }
    const QString last = offered.takeLast();
    throw usageError(QStringLiteral("cannot write a picture as '%1': the name must end in %2 or %3")
                         .arg(QFileInfo(file).fileName(), offered.join(QStringLiteral(", ")), last));
}

// The kind whose own collection id is; any other id names an effect collection, whose
// presets are of either effect kind.
const EditorCollection::ItemKind& kindOf(const std::string& id)
{
    for (const EditorCollection::ItemKind& kind : EditorCollection::itemKinds()) {
        if (*kind.collection == id && kind.recordType != EditorCollection::RecordNames::Effect)
            return kind;
    }
    return EditorCollection::itemKind(EditorCollection::ItemKindId::Equalizer);
}

// User collections are shown by their category, the others as a whole.
void locate(Host& host, const EditorCollection::ItemKind& kind, const std::string& id)
{
    if (kind.id == EditorCollection::ItemKindId::Import)
        host.imports().locateCategory(true);
    else if (kind.id == EditorCollection::ItemKindId::Intro)
        host.intros().locateCategory(true);
    else
        host.browser().showCollection(id);
}

// A collection is its item type and its id: an effect collection may share a title's id.
QImage render(Host& host, const EditorCollection::ItemKind& kind, const std::string& id)
{
    return EditorCollection::withItemClass(kind.id,
        [&](auto itemClass) { return host.browser().render<typename decltype(itemClass)::StoredType>(id); });
}

QString pictureFile(Host& host, const QString& collection, const QString& pngPath)
{
    if (!pngPath.isEmpty())
        return QFileInfo(pngPath).absoluteFilePath();
    // Collection ids are free text: only safe characters, and not too many of them.
    QString fileName = collection.left(MaxPictureNameLength);
    fileName.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")), QStringLiteral("_"));
    return QDir(host.picturesPath()).filePath(fileName + QStringLiteral(".png"));
}

} // namespace

QCommandLineOption pngOption()
{
    return QCommandLineOption(QStringLiteral("png"),
        QStringLiteral("Where to write the picture; its extension chooses the format: .png, .jpg, or .webp "
                       "where Qt can write it "
                       "(default: <data>/pictures/<collection>.png)."),
        QStringLiteral("FILE"));
}

int collectionSize(Host& host, const QString& collection)
{
    const std::string id = collection.toStdString();
    return EditorCollection::withItemClass(kindOf(id).id, [&](auto itemClass) {
        return int(items<typename decltype(itemClass)::StoredType>(host, id).size());
    });
}

QString showCollection(Host& host, Output& out, const QString& collection, const QString& pngPath)
{
    const std::string id = collection.toStdString();
    const EditorCollection::ItemKind& kind = kindOf(id);
    const QString file = pictureFile(host, collection, pngPath);
    const QByteArray format = pictureFormat(file);
    if (pngPath.isEmpty())
        host.prepareForWriting();

    locate(host, kind, id);
    const Services::CollectionBrowser::Shown& shown = host.browser().shown();
    const int tiles = collectionSize(host, collection);
    const QImage picture = render(host, kind, id);
    // Before reporting anything: a command that fails prints only its error.
    if (picture.isNull())
        throw failure(QStringLiteral("the collection '%1' is empty: nothing to draw").arg(collection));
    if (!writePicture(picture, file, format))
        throw failure(QStringLiteral("cannot write the picture %1").arg(QDir::toNativeSeparators(file)));

    QJsonObject browser {
        { QStringLiteral("collection"), QString::fromStdString(shown.collectionId) },
        { QStringLiteral("category"), QString::fromStdString(shown.categoryId) },
        { QStringLiteral("item"), QString::fromStdString(shown.itemId) },
    };
    QString shownText = QStringLiteral("collection '%1'").arg(QString::fromStdString(shown.collectionId));
    if (!shown.categoryId.empty())
        shownText += QStringLiteral(", category '%1'").arg(QString::fromStdString(shown.categoryId));
    if (!shown.itemId.empty())
        shownText += QStringLiteral(", item '%1'").arg(Translator::translate(shown.itemId));
    out.line(QStringLiteral("The collection browser shows %1").arg(shownText));
    out.set(QStringLiteral("collection"), collection);
    out.set(QStringLiteral("shown"), browser);
    out.set(QStringLiteral("tiles"), tiles);

    out.line(QStringLiteral("Drew %1 tile(s) (%2x%3) into %4")
                 .arg(tiles)
                 .arg(picture.width())
                 .arg(picture.height())
                 .arg(QDir::toNativeSeparators(file)));
    out.set(QStringLiteral("picture"), file);
    out.set(QStringLiteral("width"), picture.width());
    out.set(QStringLiteral("height"), picture.height());
    return file;
}

QString showItem(
    Host& host, Output& out, const QString& kind, const ItemChoice& choice, const QString& pngPath)
{
    const StoredPreview item = storedPreview(host, kind, choice);
    const QString file = pictureFile(host, kind + QLatin1Char('-') + item.name, pngPath);
    const QByteArray format = pictureFormat(file);
    if (!item.preview || item.preview->isNull())
        throw failure(QStringLiteral("the %1 '%2' has no preview to draw").arg(kind, item.name));
    if (pngPath.isEmpty())
        host.prepareForWriting();

    // The preview at the size of ItemPictureSide on its longer side, its name below.
    const QImage preview = item.preview->toImage().scaled(
        ItemPictureSide, ItemPictureSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QImage picture(preview.width(), preview.height() + CaptionHeight, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        painter.drawImage(0, 0, preview);
        painter.setPen(Qt::black);
        painter.drawText(QRect(0, preview.height(), picture.width(), CaptionHeight), Qt::AlignCenter,
            painter.fontMetrics().elidedText(item.name, Qt::ElideRight, picture.width() - 8));
    }
    if (!writePicture(picture, file, format))
        throw failure(QStringLiteral("cannot write the picture %1").arg(QDir::toNativeSeparators(file)));
    out.line(QStringLiteral("Drew the preview of %1 '%2' (%3x%4) into %5")
                 .arg(kind, item.name)
                 .arg(picture.width())
                 .arg(picture.height())
                 .arg(QDir::toNativeSeparators(file)));
    out.set(QStringLiteral("kind"), kind);
    out.set(QStringLiteral("name"), item.name);
    out.set(QStringLiteral("id"), item.id);
    out.set(QStringLiteral("picture"), file);
    out.set(QStringLiteral("width"), picture.width());
    out.set(QStringLiteral("height"), picture.height());
    return file;
}

CommandGroup showCommands()
{
    Command show;
    show.words = QStringList { QStringLiteral("show") };
    show.arguments = QStringList { QStringLiteral("COLLECTION|NAME") };
    show.required = 1;
    show.idFor = QStringLiteral("COLLECTION|NAME");
    show.summary
        = QStringLiteral("Asks the collection browser to show COLLECTION (imports, intros, titles, "
                         "audio_effects, video_effects or another effect collection id) and draws it: "
                         "each item's preview with its display name, in name order as the lists sort. "
                         "With --item, draws one item's preview.");
    show.options = { pngOption(),
        { QStringLiteral("item"),
            QStringLiteral("Draws instead the preview of the item of KIND (%1) called NAME, larger, with "
                           "its name (default file: <data>/pictures/<KIND>-<NAME>.png).")
                .arg(infoKinds().join(QStringLiteral(", "))),
            QStringLiteral("KIND") },
        idOption() };
    show.drawsPictures = true;
    show.run = [](Context& context) {
        const QString png = context.args.value(QStringLiteral("png"));
        if (context.args.isSet(QStringLiteral("item")))
            showItem(*context.host, context.out, context.args.value(QStringLiteral("item")),
                itemChoice(context.args, 0), png);
        else
            showCollection(*context.host, context.out, context.args.argument(0), png);
    };

    CommandGroup group;
    group.name = QStringLiteral("show");
    group.summary = QStringLiteral("Show a collection and draw it into a picture");
    group.commands = { show };
    return group;
}

} // namespace Cli
