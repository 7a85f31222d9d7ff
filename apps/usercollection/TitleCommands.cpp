#include "TitleCommands.h"

#include "CollectionItems.h"
#include "CommandError.h"
#include "Host.h"
#include "Inputs.h"
#include "Output.h"

#include <Model/CollectionID.h>
#include <Overlay/OverlayPresets.h>
#include <Overlay/UserTitles.h>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QUuid>
#include <algorithm>
#include <Settings/Settings.h>

namespace Cli {

QString saveTitle(Host& host, Output& out, const TitleRequest& request)
{
    const QString wanted = requireName(request.name, QStringLiteral("NAME"));
    const std::shared_ptr<const Types::Image> preview = readPreview(request.previewFile);

    host.prepareForWriting();
    Overlay::Preset preset;
    preset.id = QUuid::createUuid().toString().toStdString();
    preset.secondaryId = preset.id;
    preset.text = (request.text.isEmpty() ? wanted : request.text).toStdString();

    const Overlay::Preset* saved = Overlay::saveUserTitle(&preset, wanted, preview);
    if (!saved)
        throw failure(QStringLiteral("could not save the title '%1'").arg(wanted));
    const QString name = displayName(*saved);
    const QString file = host.persistence().recordFile(*saved);

    out.line(
        QStringLiteral("Saved title '%1' with the text '%2'").arg(name, QString::fromStdString(preset.text)));
    if (name != wanted)
        out.line(QStringLiteral("  renamed: a title called '%1' exists").arg(wanted));
    if (!file.isEmpty())
        out.line(QStringLiteral("  file: %1").arg(QDir::toNativeSeparators(file)));
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("requestedName"), wanted);
    out.set(QStringLiteral("text"), QString::fromStdString(preset.text));
    out.set(QStringLiteral("file"), file);
    return name;
}

void listTitles(Host& host, Output& out)
{
    QJsonArray entries;
    QList<QStringList> rows;
    for (const Overlay::Preset* title :
        items<Overlay::Preset>(host, EditorCollection::CollectionID::TITLES)) {
        const QString name = displayName(*title);
        const QString text = QString::fromStdString(title->text);
        if (out.json()) {
            entries.append(QJsonObject {
                { QStringLiteral("name"), name },
                { QStringLiteral("text"), text },
                { QStringLiteral("id"), QString::fromStdString(title->id) },
            });
        } else {
            rows += QStringList { name, text, QString::fromStdString(title->id) };
        }
    }
    out.line(QStringLiteral("%1 title(s) in %2")
                 .arg(std::max(entries.size(), rows.size()))
                 .arg(QDir::toNativeSeparators(Settings::userOverlaysPath())));
    out.table({ QStringLiteral("NAME"), QStringLiteral("TEXT"), QStringLiteral("ID") }, std::move(rows));
    out.set(QStringLiteral("titles"), entries);
}

QString proposeTitleName(Host&, Output& out, const QString& name)
{
    const QString proposal = Overlay::nextName(name);
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("proposal"), proposal);
    out.set(QStringLiteral("available"), proposal == name);
    return proposal;
}

CommandGroup titleCommands()
{
    Command save;
    save.words = QStringList { QStringLiteral("titles"), QStringLiteral("save") };
    save.arguments = QStringList { QStringLiteral("NAME") };
    save.required = 1;
    save.summary = QStringLiteral(
        "Saves a title preset as one of the user's titles; a taken NAME becomes NAME_01, ...");
    save.options = {
        { QStringLiteral("text"), QStringLiteral("The title's text (default: NAME)."),
            QStringLiteral("TEXT") },
        { QStringLiteral("preview"), QStringLiteral("The title's preview picture (default: a grey square)."),
            QStringLiteral("IMAGE") },
    };
    save.drawsPictures = true;
    save.run = [](Context& context) {
        TitleRequest request;
        request.name = context.args.argument(0);
        request.text = context.args.value(QStringLiteral("text"));
        request.previewFile = context.args.value(QStringLiteral("preview"));
        saveTitle(*context.host, context.out, request);
    };

    Command list;
    list.words = QStringList { QStringLiteral("titles"), QStringLiteral("list") };
    list.summary = QStringLiteral("Lists the titles in collection order: name, text and id.");
    list.run = [](Context& context) { listTitles(*context.host, context.out); };

    Command nextName;
    nextName.words = QStringList { QStringLiteral("titles"), QStringLiteral("next-name") };
    nextName.arguments = QStringList { QStringLiteral("NAME") };
    nextName.required = 1;
    nextName.summary = QStringLiteral("Proposes NAME, or the first free NAME_NN when a title has it.");
    nextName.run = [](Context& context) {
        context.out.line(proposeTitleName(
            *context.host, context.out, requireName(context.args.argument(0), QStringLiteral("NAME"))));
    };

    CommandGroup group;
    group.name = QStringLiteral("titles");
    group.summary = QStringLiteral("Save, list and name the user's title presets");
    group.commands = { save, list, nextName };
    return group;
}

} // namespace Cli
