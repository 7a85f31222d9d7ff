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

ItemActions<Overlay::Preset> titleActions(Host& host)
{
    ItemActions<Overlay::Preset> actions;
    actions.what = [](const Overlay::Preset&) { return QStringLiteral("title"); };
    actions.none = QStringLiteral("title");
    actions.one = QStringLiteral("a title");
    actions.items = [&host] {
        return shownIn<Overlay::Preset>(
            host, EditorCollection::CollectionID::TITLES, [](const Overlay::Preset&) { return true; });
    };
    actions.nextName = Overlay::nextName;
    actions.rename = [](const Overlay::Preset& title, const QString& name) {
        return Overlay::renameUserTitle(&title, name);
    };
    actions.remove = [](const Overlay::Preset& title) { return Overlay::removeUserTitle(&title); };
    actions.heading
        = QStringLiteral("title(s) in %1").arg(QDir::toNativeSeparators(Settings::userOverlaysPath()));
    actions.key = QStringLiteral("titles");
    actions.headers = QStringList { QStringLiteral("TEXT") };
    actions.describe = [](const Overlay::Preset& title, Listed& row) {
        const QString text = QString::fromStdString(title.text);
        row.columns << text;
        row.json[QStringLiteral("text")] = text;
    };
    return actions;
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

    CommandGroup group;
    group.name = QStringLiteral("titles");
    group.summary = QStringLiteral("Save, list, name, rename and remove the user's title presets");
    group.commands = QList<Command> { save }
        + itemCommands<Overlay::Preset>(QStringLiteral("titles"), {},
            { QStringLiteral("title"), QStringLiteral("a title"), QStringLiteral("titles"),
                QStringLiteral("text and preview") },
            {}, [](Context& context) { return titleActions(*context.host); });
    return group;
}

} // namespace Cli
