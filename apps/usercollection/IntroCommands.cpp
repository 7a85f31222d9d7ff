#include "IntroCommands.h"

#include "CollectionItems.h"
#include "CommandError.h"
#include "Host.h"
#include "Inputs.h"
#include "Output.h"
#include "Previews.h"
#include "ShowCommand.h"
#include <Import/UserItems.h>
#include <Model/Timeline.h>
#include <Project/Writer.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace Cli {

namespace {

constexpr std::int64_t ClipLength = 5000; // ms, for a media file of unknown length
constexpr std::int64_t DefaultLength = 3000; // ms of black

std::unique_ptr<Timeline::Object> timelineFor(const QString& file)
{
    if (file.isEmpty()) {
        auto timeline = std::make_unique<Timeline::Object>();
        timeline->tracks.push_back({ "video", { { std::string(), 0, DefaultLength } } });
        return timeline;
    }
    const QString path = requireExistingFile(file, QStringLiteral("--timeline"));
    if (std::unique_ptr<Timeline::Object> bundle = Project::readBundle(path))
        return bundle;
    auto timeline = std::make_unique<Timeline::Object>();
    timeline->tracks.push_back({ "video", { { path.toStdString(), 0, ClipLength } } });
    return timeline;
}

QString seconds(std::int64_t milliseconds)
{
    return QStringLiteral("%1 s").arg(milliseconds / 1000.0, 0, 'f', 1);
}

} // namespace

QString saveIntro(Host& host, Output& out, const IntroRequest& request)
{
    const QString wanted = cleanName(request.name, QStringLiteral("NAME"));
    const std::unique_ptr<Timeline::Object> timeline = timelineFor(request.timelineFile);
    std::shared_ptr<const Types::Image> preview = readPreview(request.previewFile);
    if (!preview)
        preview = introPreview(*timeline);

    host.prepareForWriting();
    Import::UserCollection& intros = host.intros();
    const QString name = chooseName(
        wanted, intros.nextName(wanted, Import::Object::Intro), !request.exact, QStringLiteral("an intro"));
    const Import::Object* saved = Import::saveWholeIntro(intros, timeline.get(), name, preview);
    if (!saved) {
        throw failure(QStringLiteral("could not save the intro '%1'").arg(name));
    }

    const QString bundle = QString::fromStdString(saved->path);
    const QString folder = QFileInfo(bundle).path();
    out.line(QStringLiteral("Saved intro '%1' (id %2, %3)")
                 .arg(name, QString::fromStdString(saved->id), seconds(timeline->duration())));
    if (name != wanted)
        out.line(QStringLiteral("  renamed: an intro called '%1' exists").arg(wanted));
    out.line(QStringLiteral("  folder: %1").arg(QDir::toNativeSeparators(folder)));
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("requestedName"), wanted);
    out.set(QStringLiteral("id"), QString::fromStdString(saved->id));
    out.set(QStringLiteral("folder"), folder);
    out.set(QStringLiteral("bundle"), bundle);
    out.set(QStringLiteral("durationMs"), double(timeline->duration()));
    return name;
}

ItemActions<Import::Object> introActions(Host& host)
{
    ItemActions<Import::Object> actions;
    actions.what = [](const Import::Object&) { return QStringLiteral("intro"); };
    actions.none = QStringLiteral("intro");
    actions.one = QStringLiteral("an intro");
    actions.items = [&host] {
        return shownIn<Import::Object>(host, host.intros().id(),
            [](const Import::Object& item) { return item.kind == Import::Object::Intro; });
    };
    actions.nextName
        = [&host](const QString& wanted) { return host.intros().nextName(wanted, Import::Object::Intro); };
    actions.rename = [&host](const Import::Object& intro, const QString& name) {
        return Import::renameUserItem(host.intros(), &intro, name);
    };
    actions.remove
        = [&host](const Import::Object& intro) { return Import::removeUserItem(host.intros(), &intro); };
    actions.heading
        = QStringLiteral("intro(s) in %1").arg(QDir::toNativeSeparators(host.intros().storagePath()));
    actions.key = QStringLiteral("intros");
    actions.headers = QStringList { QStringLiteral("LENGTH"), QStringLiteral("FOLDER") };
    actions.describe = [](const Import::Object& item, Listed& row) {
        const QString bundle = QString::fromStdString(item.path);
        const std::unique_ptr<Timeline::Object> timeline = Project::readBundle(bundle);
        const std::int64_t duration = timeline ? timeline->duration() : 0;
        row.columns << (timeline ? seconds(duration) : QStringLiteral("?"))
                    << QDir::toNativeSeparators(QFileInfo(bundle).path());
        row.json[QStringLiteral("bundle")] = bundle;
        row.json[QStringLiteral("durationMs")] = double(duration);
    };
    return actions;
}

CommandGroup introCommands()
{
    Command save;
    save.words = QStringList { QStringLiteral("intros"), QStringLiteral("save") };
    save.arguments = QStringList { QStringLiteral("NAME") };
    save.required = 1;
    save.summary = QStringLiteral("Saves a timeline as an intro; a taken NAME becomes NAME_01, NAME_02, ...");
    save.options = {
        { QStringLiteral("timeline"),
            QStringLiteral("A project bundle to take the timeline from, or a media file for a one-clip "
                           "timeline (default: 3 s of black)."),
            QStringLiteral("FILE") },
        { QStringLiteral("preview"), QStringLiteral("The intro's preview picture (default: a drawn one)."),
            QStringLiteral("IMAGE") },
        exactOption(),
    };
    save.drawsPictures = true;
    save.run = [](Context& context) {
        IntroRequest request;
        request.name = context.args.argument(0);
        request.timelineFile = context.args.value(QStringLiteral("timeline"));
        if (context.args.isSet(QStringLiteral("timeline")))
            requireName(request.timelineFile, QStringLiteral("--timeline"));
        request.previewFile = context.args.value(QStringLiteral("preview"));
        request.exact = context.args.isSet(QStringLiteral("exact"));
        saveIntro(*context.host, context.out, request);
    };

    Command show;
    show.words = QStringList { QStringLiteral("intros"), QStringLiteral("show") };
    show.summary
        = QStringLiteral("Asks the collection browser to show the intros category and draws the intros.");
    show.options = { pngOption() };
    show.drawsPictures = true;
    show.run = [](Context& context) {
        showCollection(
            *context.host, context.out, QStringLiteral("intros"), context.args.value(QStringLiteral("png")));
    };

    CommandGroup group;
    group.name = QStringLiteral("intros");
    group.summary = QStringLiteral("Save, list, name, rename, remove and show the user's intros");
    group.commands = QList<Command> { save }
        + itemCommands<Import::Object>(QStringLiteral("intros"), {},
            { QStringLiteral("intro"), QStringLiteral("an intro"), QStringLiteral("intros"),
                QStringLiteral("folder and bundle") },
            {}, [](Context& context) { return introActions(*context.host); })
        + QList<Command> { show };
    return group;
}

} // namespace Cli
