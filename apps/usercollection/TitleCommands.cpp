#include "TitleCommands.h"

#include "CommandError.h"
#include "Host.h"
#include "Inputs.h"
#include "Output.h"
#include "Previews.h"
#include <Model/CollectionID.h>
#include <Overlay/OverlayPresets.h>
#include <Overlay/UserTitles.h>
#include <Settings/Settings.h>

#include <QColor>
#include <QDir>
#include <QJsonObject>
#include <QUuid>

namespace Cli {

namespace {

std::uint32_t parseColor(const QString& text, const QString& option)
{
    const QColor color(text);
    if (!color.isValid())
        throw usageError(
            QStringLiteral("%1: '%2' is not a colour (#RRGGBB, #AARRGGBB or a name)").arg(option, text));
    return color.rgba();
}

const Overlay::Preset& findTitle(Host& host, const ItemChoice& choice)
{
    const Overlay::Preset* found = findItem<Overlay::Preset>(
        host, EditorCollection::CollectionID::TITLES, choice, [](const Overlay::Preset&) { return true; });
    if (!found)
        throw failure(QStringLiteral("there is no title %1").arg(choice.described()));
    return *found;
}

} // namespace

QString saveTitle(Host& host, Output& out, const TitleRequest& request)
{
    const QString wanted = cleanName(request.name, QStringLiteral("NAME"));
    Overlay::Preset preset;
    preset.id = QUuid::createUuid().toString().toStdString();
    preset.secondaryId = preset.id;
    preset.text = (request.text.isEmpty() ? wanted : request.text).toStdString();
    if (!request.font.isEmpty())
        preset.fontFamily = request.font.toStdString();
    if (!request.color.isEmpty())
        preset.textColor = parseColor(request.color, QStringLiteral("--color"));
    if (!request.background.isEmpty())
        preset.backgroundColor = parseColor(request.background, QStringLiteral("--background"));
    std::shared_ptr<const Types::Image> preview = readPreview(request.previewFile);
    if (!preview)
        preview = titlePreview(preset);

    host.prepareForWriting();
    const QString name
        = chooseName(wanted, Overlay::nextName(wanted), !request.exact, QStringLiteral("a title"));
    const Overlay::Preset* saved = Overlay::saveUserTitle(&preset, name, preview);
    if (!saved)
        throw failure(QStringLiteral("could not save the title '%1'").arg(name));
    const QString id = QString::fromStdString(saved->id);
    const QString file = host.persistence().recordFile(*saved);

    out.line(QStringLiteral("Saved title '%1' with the text '%2' (id %3)")
                 .arg(displayName(*saved), QString::fromStdString(preset.text), id));
    if (name != wanted)
        out.line(QStringLiteral("  renamed: a title called '%1' exists").arg(wanted));
    if (!file.isEmpty())
        out.line(QStringLiteral("  file: %1").arg(QDir::toNativeSeparators(file)));
    out.set(QStringLiteral("name"), displayName(*saved));
    out.set(QStringLiteral("requestedName"), wanted);
    out.set(QStringLiteral("id"), id);
    out.set(QStringLiteral("text"), QString::fromStdString(preset.text));
    out.set(QStringLiteral("file"), file);
    return displayName(*saved);
}

void listTitles(Host& host, Output& out, const ListOrder& order)
{
    std::vector<Listed> rows;
    for (const Overlay::Preset* title :
        items<Overlay::Preset>(host, EditorCollection::CollectionID::TITLES)) {
        const QString text = QString::fromStdString(title->text);
        const QString id = QString::fromStdString(title->id);
        rows.push_back({ displayName(*title), id, savedAt(host.persistence().recordFile(*title)),
            { id, text }, QJsonObject { { QStringLiteral("text"), text } } });
    }
    printListing(out, order,
        QStringLiteral("title(s) in %1").arg(QDir::toNativeSeparators(Settings::userOverlaysPath())),
        { QStringLiteral("ID"), QStringLiteral("TEXT") }, QStringLiteral("titles"), std::move(rows));
}

QString proposeTitleName(Host&, Output& out, const QString& name)
{
    const QString proposal = Overlay::nextName(name);
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("proposal"), proposal);
    out.set(QStringLiteral("available"), proposal == name);
    return proposal;
}

namespace {

ItemActions<Overlay::Preset> titleActions(Host& host)
{
    return { [](const Overlay::Preset&) { return QStringLiteral("title"); }, QStringLiteral("a title"),
        [&host](const ItemChoice& choice) -> const Overlay::Preset& { return findTitle(host, choice); },
        Overlay::nextName,
        [](const Overlay::Preset& title, const QString& name) {
            return Overlay::renameUserTitle(&title, name);
        },
        [](const Overlay::Preset& title) { return Overlay::removeUserTitle(&title); } };
}

} // namespace

void renameTitle(Host& host, Output& out, const ItemChoice& choice, const QString& wanted, bool number)
{
    renameItem(host, out, titleActions(host), choice, wanted, number);
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
        { QStringLiteral("font"), QStringLiteral("The font family of the text (default: Sans)."),
            QStringLiteral("FAMILY") },
        { QStringLiteral("color"), QStringLiteral("The colour of the text (default: white)."),
            QStringLiteral("COLOUR") },
        { QStringLiteral("background"), QStringLiteral("The colour behind the text (default: none)."),
            QStringLiteral("COLOUR") },
        { QStringLiteral("preview"),
            QStringLiteral("The title's preview picture (default: the text drawn in its font and colours)."),
            QStringLiteral("IMAGE") },
        exactOption(),
    };
    save.drawsPictures = true;
    save.run = [](Context& context) {
        TitleRequest request;
        request.name = context.args.argument(0);
        request.text = context.args.value(QStringLiteral("text"));
        request.font = context.args.value(QStringLiteral("font"));
        request.color = context.args.value(QStringLiteral("color"));
        request.background = context.args.value(QStringLiteral("background"));
        request.previewFile = context.args.value(QStringLiteral("preview"));
        request.exact = context.args.isSet(QStringLiteral("exact"));
        saveTitle(*context.host, context.out, request);
    };

    Command list;
    list.words = QStringList { QStringLiteral("titles"), QStringLiteral("list") };
    list.summary = QStringLiteral("Lists the titles: name, id, text and when saved.");
    list.options = listOptions();
    list.run = [](Context& context) { listTitles(*context.host, context.out, listOrder(context.args)); };

    Command nextName;
    nextName.words = QStringList { QStringLiteral("titles"), QStringLiteral("next-name") };
    nextName.arguments = QStringList { QStringLiteral("NAME") };
    nextName.required = 1;
    nextName.summary = QStringLiteral("Proposes NAME, or the first free NAME_NN when a title has it.");
    nextName.run = [](Context& context) {
        context.out.line(proposeTitleName(
            *context.host, context.out, cleanName(context.args.argument(0), QStringLiteral("NAME"))));
    };

    Command rename;
    rename.words = QStringList { QStringLiteral("titles"), QStringLiteral("rename") };
    rename.arguments = QStringList { QStringLiteral("OLD"), QStringLiteral("NEW") };
    rename.required = 2;
    rename.idFor = QStringLiteral("OLD");
    rename.summary
        = QStringLiteral("Gives the title called OLD the name NEW; it keeps its id, text and preview.");
    rename.options = { idOption(), numberOption() };
    rename.run = [](Context& context) {
        renameTitle(*context.host, context.out, itemChoice(context.args, 0),
            cleanName(context.args.argument(1), QStringLiteral("NEW")),
            context.args.isSet(QStringLiteral("number")));
    };

    Command remove;
    remove.words = QStringList { QStringLiteral("titles"), QStringLiteral("remove") };
    remove.arguments = QStringList { QStringLiteral("NAME") };
    remove.required = 1;
    remove.idFor = QStringLiteral("NAME");
    remove.summary = QStringLiteral("Deletes the title called NAME.");
    remove.options = { idOption() };
    remove.run = [](Context& context) {
        removeItem(*context.host, context.out, titleActions(*context.host), itemChoice(context.args, 0));
    };

    CommandGroup group;
    group.name = QStringLiteral("titles");
    group.summary = QStringLiteral("Save, list, name, rename and remove the user's title presets");
    group.commands = { save, list, nextName, rename, remove };
    return group;
}

} // namespace Cli
