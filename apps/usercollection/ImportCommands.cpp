#include "ImportCommands.h"

#include "CollectionItems.h"
#include "CommandError.h"
#include "Host.h"
#include "Inputs.h"
#include "Output.h"
#include "Previews.h"

#include <Import/UserItems.h>
#include <Model/CollectionID.h>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QUuid>

namespace Cli {

namespace {

Import::Object::Kind resolveKind(Host& host, const QString& name, std::optional<Import::Object::Kind> kind)
{
    if (kind)
        return *kind;
    for (const Import::Object* item : items<Import::Object>(host, host.imports().id())) {
        if (displayName(*item) == name)
            return item->kind;
    }
    return Import::Object::File;
}

// An import's id is its name, and the collection keeps one item per id: the name
// must be free among imports of every kind.
QString freeName(Host& host, const QString& wanted)
{
    return Import::nextFreeName(host.imports(), wanted);
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
    requirePlainFileName(request.fileName);
    const QString recordPath = QDir(imports.storagePath()).filePath(request.fileName);
    if (QFileInfo::exists(recordPath)) {
        throw usageError(QStringLiteral("%1 already exists; choose another file name")
                             .arg(QDir::toNativeSeparators(recordPath)));
    }
    const QString media = requireExistingFile(request.mediaPath, QStringLiteral("--media"));
    const Import::Object::Kind kind = request.kind.value_or(guessKind(media));
    const QString wanted = request.name.isEmpty() ? QFileInfo(media).completeBaseName() : request.name;
    requireName(wanted, QStringLiteral("--name"));
    std::shared_ptr<const Types::Image> preview = readPreview(request.previewFile);
    if (!preview)
        preview = importPreview(kind, media);

    host.prepareForWriting();
    // The display name is the translated id, and an import has no translation of its own.
    const QString name = freeName(host, wanted);
    Import::Object item;
    item.id = name.toStdString();
    item.secondaryId = item.id;
    item.path = media.toStdString();
    item.kind = kind;
    const Import::Object* saved
        = imports.saveUserImport(&item, request.fileName, preview, QUuid::createUuid().toString());
    if (!saved)
        throw failure(QStringLiteral("could not save the import '%1'").arg(name));

    out.line(QStringLiteral("Saved %1 import '%2'").arg(kindName(kind), name));
    if (name != wanted)
        out.line(QStringLiteral("  renamed: an import called '%1' exists").arg(wanted));
    out.line(QStringLiteral("  media: %1").arg(QDir::toNativeSeparators(media)));
    out.line(QStringLiteral("  file: %1").arg(QDir::toNativeSeparators(recordPath)));
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("requestedName"), wanted);
    out.set(QStringLiteral("kind"), kindName(kind));
    out.set(QStringLiteral("media"), media);
    out.set(QStringLiteral("file"), recordPath);
    return name;
}

void listImports(Host& host, Output& out)
{
    QJsonArray entries;
    QList<QStringList> rows;
    for (const Import::Object* item : items<Import::Object>(host, host.imports().id())) {
        const QString name = displayName(*item);
        const QString path = QString::fromStdString(item->path);
        rows += QStringList { name, kindName(item->kind), QDir::toNativeSeparators(path) };
        entries.append(QJsonObject {
            { QStringLiteral("name"), name },
            { QStringLiteral("kind"), kindName(item->kind) },
            { QStringLiteral("media"), path },
        });
    }
    out.line(QStringLiteral("%1 import(s) in %2")
                 .arg(entries.size())
                 .arg(QDir::toNativeSeparators(host.imports().storagePath())));
    out.table({ QStringLiteral("NAME"), QStringLiteral("KIND"), QStringLiteral("MEDIA") }, std::move(rows));
    out.set(QStringLiteral("imports"), entries);
}

QString proposeImportName(
    Host& host, Output& out, const QString& name, std::optional<Import::Object::Kind> kind)
{
    const Import::Object::Kind resolved = resolveKind(host, name, kind);
    const QString proposal = freeName(host, name);
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("kind"), kindName(resolved));
    out.set(QStringLiteral("proposal"), proposal);
    out.set(QStringLiteral("available"), proposal == name);
    return proposal;
}

void removeImport(Host& host, Output& out, const QString& name, std::optional<Import::Object::Kind> kind)
{
    host.prepareForWriting();
    const Import::Object::Kind resolved = resolveKind(host, name, kind);
    Import::UserCollection& imports = host.imports();
    const Import::Object* found = findNamed<Import::Object>(
        host, imports.id(), name, [resolved](const Import::Object& item) { return item.kind == resolved; });
    if (!found) {
        throw failure(kind ? QStringLiteral("there is no %1 import called '%2'").arg(kindName(*kind), name)
                           : QStringLiteral("there is no import called '%1'").arg(name));
    }
    if (!imports.removeUserImport(name, resolved) || !removalSucceeded(host))
        throw failure(QStringLiteral("could not remove the import '%1'").arg(name));
    out.line(QStringLiteral("Removed %1 import '%2'").arg(kindName(resolved), name));
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("kind"), kindName(resolved));
    out.set(QStringLiteral("removed"), true);
}

CommandGroup importCommands()
{
    const QCommandLineOption kindOption(QStringLiteral("kind"),
        QStringLiteral("file, video, audio or picture (default: from the media "
                       "file's extension, or the kind of the import of that name)."),
        QStringLiteral("KIND"));

    Command save;
    save.words = QStringList { QStringLiteral("imports"), QStringLiteral("save") };
    save.arguments = QStringList { QStringLiteral("FILE-NAME") };
    save.required = 1;
    save.summary
        = QStringLiteral("Saves an import of the media file as FILE-NAME in the imports folder; its name "
                         "is made unique among imports of its kind, then among all imports.");
    save.options = {
        { QStringLiteral("media"), QStringLiteral("The media file the import stands for (required)."),
            QStringLiteral("PATH") },
        kindOption,
        { QStringLiteral("name"), QStringLiteral("The display name (default: the media file's base name)."),
            QStringLiteral("NAME") },
        { QStringLiteral("preview"), QStringLiteral("The import's preview picture (default: a drawn one)."),
            QStringLiteral("IMAGE") },
    };
    save.requiredOptions = QStringList { QStringLiteral("media") };
    save.drawsPictures = true;
    save.run = [](Context& context) {
        ImportRequest request;
        request.fileName = context.args.argument(0);
        request.mediaPath = context.args.value(QStringLiteral("media"));
        request.kind = kindArgument(context.args);
        request.name = context.args.value(QStringLiteral("name"));
        if (context.args.isSet(QStringLiteral("name")))
            requireName(request.name, QStringLiteral("--name"));
        request.previewFile = context.args.value(QStringLiteral("preview"));
        saveImport(*context.host, context.out, request);
    };

    Command list;
    list.words = QStringList { QStringLiteral("imports"), QStringLiteral("list") };
    list.summary = QStringLiteral("Lists the imports in collection order: name, kind and media file.");
    list.run = [](Context& context) { listImports(*context.host, context.out); };

    Command nextName;
    nextName.words = QStringList { QStringLiteral("imports"), QStringLiteral("next-name") };
    nextName.arguments = QStringList { QStringLiteral("NAME") };
    nextName.required = 1;
    nextName.summary = QStringLiteral(
        "Proposes the name 'imports save' would give: NAME, or the first free NAME_NN when an import "
        "of the kind has it (or any import, since names are ids).");
    nextName.options = { kindOption };
    nextName.run = [](Context& context) {
        const auto kind = kindArgument(context.args);
        context.out.line(proposeImportName(
            *context.host, context.out, requireName(context.args.argument(0), QStringLiteral("NAME")), kind));
    };

    Command remove;
    remove.words = QStringList { QStringLiteral("imports"), QStringLiteral("remove") };
    remove.arguments = QStringList { QStringLiteral("NAME") };
    remove.required = 1;
    remove.summary = QStringLiteral("Deletes the first import of the kind called NAME.");
    remove.options = { kindOption };
    remove.run = [](Context& context) {
        const auto kind = kindArgument(context.args);
        removeImport(
            *context.host, context.out, requireName(context.args.argument(0), QStringLiteral("NAME")), kind);
    };

    CommandGroup group;
    group.name = QStringLiteral("imports");
    group.summary = QStringLiteral("Save, list, name and remove the user's own imports");
    group.commands = { save, list, nextName, remove };
    return group;
}

} // namespace Cli
