#include "ImportCommands.h"

#include "CommandError.h"
#include "Host.h"
#include "Inputs.h"
#include "Output.h"
#include "Previews.h"
#include <Import/UserItems.h>
#include <Model/CollectionID.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QUuid>

namespace Cli {

namespace {

// The kind given, else the kind of the first import the choice names, else a plain file.
Import::Object::Kind resolveKind(
    Host& host, const ItemChoice& choice, std::optional<Import::Object::Kind> kind)
{
    if (kind)
        return *kind;
    for (const Import::Object* item : items<Import::Object>(host, host.imports().id())) {
        if (choice.matches(*item))
            return item->kind;
    }
    return Import::Object::File;
}

// An import's id is the name it was saved under, and the collection keeps one item
// per id: the name must be free among imports of every kind.
QString freeName(Host& host, const QString& wanted)
{
    return Import::nextFreeName(host.imports(), wanted);
}

// A file name for the record of an import called name, which is also its id: the
// name with what no file system takes in a name replaced, kept short in UTF-8, and a
// random part, so that imports saved in two data folders never share an id. Any name
// gives one, spaces and accents kept.
QString importFileName(const QString& folder, const QString& name)
{
    QString stem;
    for (const QChar c : name) {
        const bool refused
            = c.category() == QChar::Other_Control || QStringLiteral("/\\:*?\"<>|").contains(c);
        stem += refused ? QChar(QLatin1Char('_')) : c;
    }
    stem = stem.trimmed();
    while (stem.startsWith(QLatin1Char('.')))
        stem.remove(0, 1);
    while (stem.toUtf8().size() > 180)
        stem.chop(stem.at(stem.size() - 1).isLowSurrogate() ? 2 : 1);
    if (stem.isEmpty())
        stem = QStringLiteral("import");
    const QDir dir(folder);
    QString fileName;
    do {
        fileName
            = QStringLiteral("%1-%2.import").arg(stem, QUuid::createUuid().toString(QUuid::Id128).left(8));
    } while (dir.exists(fileName) || QFileInfo(dir.filePath(fileName)).isSymLink());
    return fileName;
}

std::optional<Import::Object::Kind> kindArgument(const CommandLine& args)
{
    if (!args.isSet(QStringLiteral("kind")))
        return std::nullopt;
    return parseKind(args.value(QStringLiteral("kind")));
}

} // namespace

QString saveImport(Host& host, Output& out, const ImportRequest& request)
{
    Import::UserCollection& imports = host.imports();
    const QString media = requireExistingFile(request.mediaPath, QStringLiteral("--media"));
    const Import::Object::Kind kind = request.kind.value_or(guessKind(media));
    const QString wanted = cleanName(
        request.name.isEmpty() ? QFileInfo(media).completeBaseName() : request.name, QStringLiteral("NAME"));
    std::shared_ptr<const Types::Image> preview = readPreview(request.previewFile);
    if (!preview)
        preview = importPreview(kind, media);

    host.prepareForWriting();
    const QString name
        = chooseName(wanted, freeName(host, wanted), !request.exact, QStringLiteral("an import"));
    // The file is named after the name the import is first saved under, and its id is
    // that file name: kept when the import is renamed, and what tells its own record
    // from a copy.
    const QString fileName = importFileName(imports.storagePath(), name);
    Import::Object item;
    item.id = fileName.toStdString();
    item.secondaryId = item.id;
    item.path = media.toStdString();
    item.kind = kind;
    const QString recordPath = QDir(imports.storagePath()).filePath(fileName);
    const Import::Object* saved
        = Import::saveUserItem(imports, &item, name, fileName, preview, QUuid::createUuid().toString());
    if (!saved)
        throw failure(QStringLiteral("could not save the import '%1'").arg(name));

    const QString id = QString::fromStdString(item.id);
    out.line(QStringLiteral("Saved %1 import '%2' (id %3)").arg(kindName(kind), name, id));
    if (name != wanted)
        out.line(QStringLiteral("  renamed: an import called '%1' exists").arg(wanted));
    out.line(QStringLiteral("  media: %1").arg(QDir::toNativeSeparators(media)));
    out.line(QStringLiteral("  file: %1").arg(QDir::toNativeSeparators(recordPath)));
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("requestedName"), wanted);
    out.set(QStringLiteral("id"), id);
    out.set(QStringLiteral("kind"), kindName(kind));
    out.set(QStringLiteral("media"), media);
    out.set(QStringLiteral("file"), recordPath);
    return name;
}

ItemActions<Import::Object> importActions(Host& host, std::optional<Import::Object::Kind> kind)
{
    ItemActions<Import::Object> actions;
    actions.what = [](const Import::Object& item) { return kindName(item.kind) + QStringLiteral(" import"); };
    actions.none = kind ? kindName(*kind) + QStringLiteral(" import") : QStringLiteral("import");
    actions.one = QStringLiteral("an import");
    actions.items = [&host, kind] {
        return shownIn<Import::Object>(host, host.imports().id(),
            [kind](const Import::Object& item) { return !kind || item.kind == *kind; });
    };
    actions.nextName = [&host](const QString& wanted) { return freeName(host, wanted); };
    actions.rename = [&host](const Import::Object& item, const QString& name) {
        return Import::renameUserItem(host.imports(), &item, name);
    };
    actions.remove
        = [&host](const Import::Object& item) { return Import::removeUserItem(host.imports(), &item); };
    actions.heading
        = QStringLiteral("import(s) in %1").arg(QDir::toNativeSeparators(host.imports().storagePath()));
    actions.key = QStringLiteral("imports");
    actions.headers = QStringList { QStringLiteral("KIND"), QStringLiteral("MEDIA") };
    actions.describe = [](const Import::Object& item, Listed& row) {
        const QString path = QString::fromStdString(item.path);
        row.columns << kindName(item.kind) << QDir::toNativeSeparators(path);
        row.json[QStringLiteral("kind")] = kindName(item.kind);
        row.json[QStringLiteral("media")] = path;
    };
    return actions;
}

QString proposeImportName(
    Host& host, Output& out, const QString& name, std::optional<Import::Object::Kind> kind)
{
    out.set(QStringLiteral("kind"), kindName(resolveKind(host, { name, QString() }, kind)));
    return proposeName(out, importActions(host, kind), name);
}

CommandGroup importCommands()
{
    const QCommandLineOption kindOption(QStringLiteral("kind"),
        QStringLiteral("file, video, audio or picture (default: from the media "
                       "file's extension, or the kind of the import of that name)."),
        QStringLiteral("KIND"));

    Command save;
    save.words = QStringList { QStringLiteral("imports"), QStringLiteral("save") };
    save.arguments = QStringList { QStringLiteral("NAME") };
    save.required = 1;
    save.summary = QStringLiteral(
        "Saves an import of the media file under the display name NAME; a name that an import of any kind "
        "has becomes NAME_01, ... Its id is the file name its record gets, which stays when it is renamed.");
    save.options = {
        { QStringLiteral("media"), QStringLiteral("The media file the import stands for (required)."),
            QStringLiteral("PATH") },
        kindOption,
        { QStringLiteral("preview"), QStringLiteral("The import's preview picture (default: a drawn one)."),
            QStringLiteral("IMAGE") },
        exactOption(),
    };
    save.requiredOptions = QStringList { QStringLiteral("media") };
    save.drawsPictures = true;
    save.run = [](Context& context) {
        ImportRequest request;
        request.name = cleanName(context.args.argument(0), QStringLiteral("NAME"));
        request.mediaPath = context.args.value(QStringLiteral("media"));
        request.kind = kindArgument(context.args);
        request.previewFile = context.args.value(QStringLiteral("preview"));
        request.exact = context.args.isSet(QStringLiteral("exact"));
        saveImport(*context.host, context.out, request);
    };

    CommandGroup group;
    group.name = QStringLiteral("imports");
    group.summary = QStringLiteral("Save, list, name, rename and remove the user's own imports");
    QList<Command> common = itemCommands<Import::Object>(QStringLiteral("imports"), {},
        { QStringLiteral("import"), QStringLiteral("an import"), QStringLiteral("imports"),
            QStringLiteral("file and preview") },
        { kindOption },
        [](Context& context) { return importActions(*context.host, kindArgument(context.args)); });
    // The name a save would give depends on the kind: the import's own next-name.
    common[1].run = [](Context& context) {
        context.out.line(proposeImportName(*context.host, context.out,
            cleanName(context.args.argument(0), QStringLiteral("NAME")), kindArgument(context.args)));
    };
    group.commands = QList<Command> { save } + common;
    return group;
}

} // namespace Cli
