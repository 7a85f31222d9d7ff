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
#include <Services/PersistenceService.h>

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

QStringList folderNames(const QString& path)
{
    return QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
}

// A save that failed after the bundle was written leaves the new folder without a
// record; the next run would not list it, so nobody would ever remove it.
void removeUnrecordedFolders(const QString& introsPath, const QStringList& before)
{
    for (const QString& name : folderNames(introsPath)) {
        QDir folder(QDir(introsPath).filePath(name));
        if (!before.contains(name)
            && !folder.exists(QLatin1String(Services::PersistenceService::RecordFileName)))
            folder.removeRecursively();
    }
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
    const QStringList before = folderNames(intros.storagePath());
    const Import::Object* saved = intros.saveUserIntro(timeline.get(), name, preview);
    if (!saved) {
        removeUnrecordedFolders(intros.storagePath(), before);
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

void listIntros(Host& host, Output& out, const ListOrder& order)
{
    std::vector<Listed> rows;
    for (const Import::Object* item : items<Import::Object>(host, host.intros().id())) {
        const QString bundle = QString::fromStdString(item->path);
        const QString id = QString::fromStdString(item->id);
        const std::unique_ptr<Timeline::Object> timeline = Project::readBundle(bundle);
        const std::int64_t duration = timeline ? timeline->duration() : 0;
        rows.push_back({ displayName(*item), id, savedAt(host.persistence().recordFile(*item)),
            { id, timeline ? seconds(duration) : QStringLiteral("?"),
                QDir::toNativeSeparators(QFileInfo(bundle).path()) },
            QJsonObject {
                { QStringLiteral("bundle"), bundle }, { QStringLiteral("durationMs"), double(duration) } } });
    }
    printListing(out, order,
        QStringLiteral("intro(s) in %1").arg(QDir::toNativeSeparators(host.intros().storagePath())),
        { QStringLiteral("ID"), QStringLiteral("LENGTH"), QStringLiteral("FOLDER") },
        QStringLiteral("intros"), std::move(rows));
}

QString proposeIntroName(Host& host, Output& out, const QString& name)
{
    const QString proposal = host.intros().nextName(name, Import::Object::Intro);
    out.set(QStringLiteral("name"), name);
    out.set(QStringLiteral("proposal"), proposal);
    out.set(QStringLiteral("available"), proposal == name);
    return proposal;
}

namespace {

const Import::Object& findIntro(Host& host, const ItemChoice& choice)
{
    const Import::Object* found = findItem<Import::Object>(host, host.intros().id(), choice,
        [](const Import::Object& item) { return item.kind == Import::Object::Intro; });
    if (!found)
        throw failure(QStringLiteral("there is no intro %1").arg(choice.described()));
    return *found;
}

} // namespace

namespace {

ItemActions<Import::Object> introActions(Host& host)
{
    return { [](const Import::Object&) { return QStringLiteral("intro"); }, QStringLiteral("an intro"),
        [&host](const ItemChoice& choice) -> const Import::Object& { return findIntro(host, choice); },
        [&host](const QString& wanted) { return host.intros().nextName(wanted, Import::Object::Intro); },
        [&host](const Import::Object& intro, const QString& name) {
            return Import::renameUserItem(host.intros(), &intro, name);
        },
        [&host](const Import::Object& intro) { return Import::removeUserItem(host.intros(), &intro); } };
}

} // namespace

void removeIntro(Host& host, Output& out, const ItemChoice& choice)
{
    removeItem(host, out, introActions(host), choice);
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

    Command list;
    list.words = QStringList { QStringLiteral("intros"), QStringLiteral("list") };
    list.summary = QStringLiteral("Lists the intros: name, id, length, folder and when saved.");
    list.options = listOptions();
    list.run = [](Context& context) { listIntros(*context.host, context.out, listOrder(context.args)); };

    Command nextName;
    nextName.words = QStringList { QStringLiteral("intros"), QStringLiteral("next-name") };
    nextName.arguments = QStringList { QStringLiteral("NAME") };
    nextName.required = 1;
    nextName.summary = QStringLiteral("Proposes NAME, or the first free NAME_NN when an intro has it.");
    nextName.run = [](Context& context) {
        context.out.line(proposeIntroName(
            *context.host, context.out, cleanName(context.args.argument(0), QStringLiteral("NAME"))));
    };

    Command rename;
    rename.words = QStringList { QStringLiteral("intros"), QStringLiteral("rename") };
    rename.arguments = QStringList { QStringLiteral("OLD"), QStringLiteral("NEW") };
    rename.required = 2;
    rename.idFor = QStringLiteral("OLD");
    rename.summary
        = QStringLiteral("Gives the intro called OLD the name NEW; it keeps its id, folder and bundle.");
    rename.options = { idOption(), numberOption() };
    rename.run = [](Context& context) {
        renameItem(*context.host, context.out, introActions(*context.host), itemChoice(context.args, 0),
            cleanName(context.args.argument(1), QStringLiteral("NEW")),
            context.args.isSet(QStringLiteral("number")));
    };

    Command remove;
    remove.words = QStringList { QStringLiteral("intros"), QStringLiteral("remove") };
    remove.arguments = QStringList { QStringLiteral("NAME") };
    remove.required = 1;
    remove.idFor = QStringLiteral("NAME");
    remove.summary = QStringLiteral("Deletes the first intro called NAME with its folder.");
    remove.options = { idOption() };
    remove.run
        = [](Context& context) { removeIntro(*context.host, context.out, itemChoice(context.args, 0)); };

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
    group.commands = { save, list, nextName, rename, remove, show };
    return group;
}

} // namespace Cli
