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
#include <QJsonArray>
#include <QJsonObject>
#include <QUuid>

#include <optional>

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

QString colorName(std::uint32_t argb)
{
    return QColor::fromRgba(argb).name(QColor::HexArgb);
}

// "font Sans -> Serif" for each of what a title shows that the two differ in.
QStringList titleChanges(const Overlay::Preset& before, const Overlay::Preset& after)
{
    QStringList changes;
    const auto compare = [&changes](const char* what, const QString& old, const QString& now) {
        if (old != now)
            changes += QStringLiteral("%1 '%2' -> '%3'").arg(QLatin1String(what), old, now);
    };
    compare("text", QString::fromStdString(before.text), QString::fromStdString(after.text));
    compare("font", QString::fromStdString(before.fontFamily), QString::fromStdString(after.fontFamily));
    compare("color", colorName(before.textColor), colorName(after.textColor));
    compare("background", colorName(before.backgroundColor), colorName(after.backgroundColor));
    return changes;
}

} // namespace

void editTitle(Host& host, Output& out, const ItemChoice& choice, const TitleEdit& edit)
{
    std::shared_ptr<const Types::Image> preview = readPreview(edit.previewFile);
    host.prepareForWriting();
    const Shown<Overlay::Preset> found = findItem(titleActions(host), choice);
    const Overlay::Preset& stored = *found.item;
    Overlay::Preset title(stored);
    if (edit.text)
        title.text = edit.text->toStdString();
    if (edit.font)
        title.fontFamily = edit.font->toStdString();
    if (edit.color)
        title.textColor = parseColor(*edit.color, QStringLiteral("--color"));
    if (edit.background)
        title.backgroundColor = parseColor(*edit.background, QStringLiteral("--background"));
    const QStringList changes = titleChanges(stored, title);
    if (changes.isEmpty() && !preview)
        throw failure(
            QStringLiteral("nothing to change: the title '%1' is like this already").arg(found.name));

    bool redrawn = false;
    const auto records = rewriteRecord<Overlay::Preset>(host, stored, QStringLiteral("title"),
        [&](EditorCollection::PersistentItem<Overlay::Preset>& record) {
            // A drawn preview shows the new text; a picture of the user's own stays.
            if (preview) {
                record.preview = preview;
            } else if (record.preview && record.preview->encoded() == titlePreview(stored)->encoded()) {
                record.preview = titlePreview(title);
                redrawn = true;
            }
            return std::make_unique<const Overlay::Preset>(title);
        });
    const Overlay::Preset& changed = *records[0].item;
    const QString id = QString::fromStdString(changed.id);
    out.line(QStringLiteral("Changed title '%1' (id %2)").arg(found.name, id));
    if (!changes.isEmpty())
        out.line(QStringLiteral("  changed: %1").arg(changes.join(QStringLiteral(", "))));
    if (preview)
        out.line(QStringLiteral("  preview: the picture given"));
    else if (redrawn)
        out.line(QStringLiteral("  preview: drawn anew"));
    out.set(QStringLiteral("name"), found.name);
    out.set(QStringLiteral("id"), id);
    out.set(QStringLiteral("text"), QString::fromStdString(changed.text));
    out.set(QStringLiteral("font"), QString::fromStdString(changed.fontFamily));
    out.set(QStringLiteral("color"), colorName(changed.textColor));
    out.set(QStringLiteral("background"), colorName(changed.backgroundColor));
    out.set(QStringLiteral("changed"), QJsonArray::fromStringList(changes));
    reportTwins(host, out, changed);
}

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
    const QList<QCommandLineOption> looks = {
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
    };
    save.options = looks + QList<QCommandLineOption> { exactOption() };
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

    Command edit;
    edit.words = QStringList { QStringLiteral("titles"), QStringLiteral("edit") };
    edit.arguments = QStringList { QStringLiteral("NAME") };
    edit.required = 1;
    edit.idFor = QStringLiteral("NAME");
    edit.summary = QStringLiteral(
        "Changes the title called NAME in place: what the options give, the rest kept; its id, name and "
        "file stay. A drawn preview is drawn anew, a chosen picture stays unless --preview gives another. "
        "Nothing to change is refused.");
    edit.options = looks + QList<QCommandLineOption> { idOption() };
    edit.drawsPictures = true;
    edit.run = [](Context& context) {
        TitleEdit change;
        const auto given = [&context](const char* option) {
            const QString name = QLatin1String(option);
            return context.args.isSet(name) ? std::optional<QString>(context.args.value(name)) : std::nullopt;
        };
        change.text = given("text");
        change.font = given("font");
        change.color = given("color");
        change.background = given("background");
        change.previewFile = context.args.value(QStringLiteral("preview"));
        editTitle(*context.host, context.out, itemChoice(context.args, 0), change);
    };

    CommandGroup group;
    group.name = QStringLiteral("titles");
    group.summary = QStringLiteral("Save, change, list, name, rename and remove the user's title presets");
    group.commands = QList<Command> { save, edit }
        + itemCommands<Overlay::Preset>(QStringLiteral("titles"), {},
            { QStringLiteral("title"), QStringLiteral("a title"), QStringLiteral("titles"),
                QStringLiteral("text and preview") },
            {}, [](Context& context) { return titleActions(*context.host); });
    return group;
}

} // namespace Cli
