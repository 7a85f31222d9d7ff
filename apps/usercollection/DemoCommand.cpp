#include "DemoCommand.h"

#include "CommandError.h"
#include "EffectCommands.h"
#include "Host.h"
#include "ImportCommands.h"
#include "IntroCommands.h"
#include "Output.h"
#include "ShowCommand.h"
#include "TitleCommands.h"
#include <ItemKinds.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QLinearGradient>
#include <QPainter>
#include <QStandardPaths>

namespace Cli {

namespace {

// A picture to import, drawn rather than shipped.
QString writeSampleMedia(const QString& dataRoot)
{
    const QString folder = QDir(dataRoot).filePath(QStringLiteral("media"));
    const QString path = QDir(folder).filePath(QStringLiteral("beach.png"));
    QImage image(320, 200, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, 120);
    sky.setColorAt(0, QColor(250, 150, 80));
    sky.setColorAt(1, QColor(250, 220, 150));
    painter.fillRect(0, 0, 320, 120, sky);
    painter.fillRect(0, 120, 320, 40, QColor(40, 110, 170));
    painter.fillRect(0, 160, 320, 40, QColor(230, 200, 140));
    painter.setBrush(QColor(255, 240, 120));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(220, 110), 30, 30);
    painter.end();
    if (!QDir().mkpath(folder) || !image.save(path, "PNG"))
        throw failure(
            QStringLiteral("cannot write the sample picture %1").arg(QDir::toNativeSeparators(path)));
    return path;
}

// How a shell reaches this very program: by name when PATH leads to it, else by its path.
QString programCommand()
{
    const QString self = QCoreApplication::applicationFilePath();
    const QString found = QStandardPaths::findExecutable(QStringLiteral("usercollection"));
    if (!found.isEmpty() && QFileInfo(found).canonicalFilePath() == QFileInfo(self).canonicalFilePath())
        return QStringLiteral("usercollection");
    return shellQuoted(QDir::toNativeSeparators(self));
}

void runDemo(Context& context)
{
    Output& out = context.out;
    // Its names and files would mix with what the folder holds, or collide with it.
    if (!QDir(context.dataRoot).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        throw usageError(QStringLiteral("the demo needs an empty data folder; %1 is not empty")
                             .arg(QDir::toNativeSeparators(context.dataRoot)));
    }
    auto host = std::make_unique<Host>(context.dataRoot);
    host->prepareForWriting();
    const QString root = host->dataRoot();
    out.line(QStringLiteral("Data folder: %1").arg(QDir::toNativeSeparators(root)));
    out.set(QStringLiteral("dataFolder"), root);

    out.section(QStringLiteral("Effect presets"));
    const auto preset = [](EffectType type, const QString& name, const QStringList& settings) {
        EffectPresetRequest request;
        request.type = type;
        request.name = name;
        request.settings = settings;
        return request;
    };
    const QList<EffectPresetRequest> presets = {
        preset(EffectType::Equalizer, QStringLiteral("Bass boost"),
            { QStringLiteral("preamp=-3"), QStringLiteral("band1=6"), QStringLiteral("band2=4.5"),
                QStringLiteral("band3=2") }),
        preset(EffectType::Equalizer, QStringLiteral("Voice"),
            { QStringLiteral("band1=-4"), QStringLiteral("band5=3"), QStringLiteral("band6=4"),
                QStringLiteral("band7=3") }),
        preset(EffectType::Enhance, QStringLiteral("Warm evening"),
            { QStringLiteral("temperature=35"), QStringLiteral("saturation=15"),
                QStringLiteral("contrast=10") }),
        preset(EffectType::Enhance, QStringLiteral("Cold night"),
            { QStringLiteral("temperature=-60"), QStringLiteral("brightness=-25"),
                QStringLiteral("gamma=0.7") }),
    };
    for (const EffectPresetRequest& preset : presets) {
        out.beginStep(QStringLiteral("effects save"));
        saveEffectPreset(*host, out, preset);
    }
    for (EffectType type : { EffectType::Equalizer, EffectType::Enhance }) {
        out.beginStep(QStringLiteral("effects list"));
        listItems(*host, out, presetActions(type), ListOrder());
    }

    out.section(QStringLiteral("Intros: the same name twice"));
    const QString media = writeSampleMedia(root);
    out.beginStep(QStringLiteral("intros save"));
    IntroRequest intro;
    intro.name = QStringLiteral("Opening");
    intro.timelineFile = media;
    saveIntro(*host, out, intro);
    out.beginStep(QStringLiteral("intros save"));
    intro.timelineFile.clear();
    const QString secondIntro = saveIntro(*host, out, intro);

    out.section(QStringLiteral("A user import"));
    out.beginStep(QStringLiteral("imports save"));
    ImportRequest import;
    import.name = QStringLiteral("beach");
    import.mediaPath = media;
    saveImport(*host, out, import);

    out.section(QStringLiteral("Titles"));
    out.beginStep(QStringLiteral("titles save"));
    TitleRequest title;
    title.name = QStringLiteral("Welcome");
    title.text = QStringLiteral("Welcome to the beach");
    title.previewFile = media;
    saveTitle(*host, out, title);
    out.beginStep(QStringLiteral("titles save"));
    title = TitleRequest();
    title.name = QStringLiteral("Credits");
    title.text = QStringLiteral("Filmed by us");
    title.font = QStringLiteral("Serif");
    title.color = QStringLiteral("#ffd24a");
    title.background = QStringLiteral("#1b2a49");
    saveTitle(*host, out, title);

    out.section(QStringLiteral("Name proposals"));
    auto proposal = [&out](const QString& what, const QString& name, const QString& proposed) {
        out.line(QStringLiteral("%1 '%2': %3").arg(what, name, proposed));
    };
    out.beginStep(QStringLiteral("intros next-name"));
    proposal(QStringLiteral("intro"), QStringLiteral("Opening"),
        proposeName(out, introActions(*host), QStringLiteral("Opening")));
    out.beginStep(QStringLiteral("intros next-name"));
    proposal(QStringLiteral("intro"), QStringLiteral("Closing"),
        proposeName(out, introActions(*host), QStringLiteral("Closing")));
    out.beginStep(QStringLiteral("imports next-name"));
    proposal(QStringLiteral("picture import"), QStringLiteral("beach"),
        proposeImportName(*host, out, QStringLiteral("beach"), Import::Object::Picture));
    out.beginStep(QStringLiteral("titles next-name"));
    proposal(QStringLiteral("title"), QStringLiteral("Welcome"),
        proposeName(out, titleActions(*host), QStringLiteral("Welcome")));

    out.section(QStringLiteral("Renaming and replacing"));
    out.beginStep(QStringLiteral("titles rename"));
    renameItem(*host, out, titleActions(*host), ItemChoice { QStringLiteral("Credits"), QString() },
        QStringLiteral("End credits"), false);
    out.beginStep(QStringLiteral("effects save --replace"));
    EffectPresetRequest warmer = preset(EffectType::Enhance, QStringLiteral("Warm evening"),
        { QStringLiteral("temperature=60"), QStringLiteral("saturation=25"), QStringLiteral("contrast=10") });
    warmer.replace = true;
    saveEffectPreset(*host, out, warmer);

    out.section(QStringLiteral("Removing an item"));
    out.beginStep(QStringLiteral("intros remove"));
    removeItem(*host, out, introActions(*host), ItemChoice { secondIntro, QString() });

    // What a later run of the program sees: nothing but the files.
    out.section(QStringLiteral("Read back from the data folder"));
    host.reset();
    host = std::make_unique<Host>(root);
    out.beginStep(QStringLiteral("intros list"));
    listItems(*host, out, introActions(*host), ListOrder());
    out.beginStep(QStringLiteral("imports list"));
    listItems(*host, out, importActions(*host, std::nullopt), ListOrder());
    out.beginStep(QStringLiteral("titles list"));
    listItems(*host, out, titleActions(*host), ListOrder());

    out.section(QStringLiteral("Pictures of the collections"));
    QJsonArray pictures;
    for (const EditorCollection::ItemKind& kind : EditorCollection::itemKinds()) {
        const QString collection = QString::fromStdString(*kind.collection);
        if (collectionSize(*host, collection) == 0)
            continue;
        out.beginStep(QStringLiteral("show"));
        pictures.append(showCollection(*host, out, collection, QString()));
    }
    out.endStep();

    out.section(QStringLiteral("Where everything is"));
    QList<QPair<QString, QString>> places;
    for (const EditorCollection::ItemKind& kind : EditorCollection::itemKinds())
        places += { QString::fromLatin1(kind.plural), kind.folder() };
    places += { QStringLiteral("pictures"), host->picturesPath() };
    QList<QStringList> rows;
    QJsonObject folders;
    for (const auto& [what, folder] : places) {
        rows += QStringList { what, QDir::toNativeSeparators(folder) };
        folders[what] = folder;
    }
    out.table({ QStringLiteral("WHAT"), QStringLiteral("FOLDER") }, std::move(rows));
    out.line();
    out.line(QStringLiteral("Try: %1 --data %2 intros list")
                 .arg(programCommand(), shellQuoted(QDir::toNativeSeparators(root))));
    out.set(QStringLiteral("folders"), folders);
    out.set(QStringLiteral("pictures"), pictures);
}

} // namespace

CommandGroup demoCommands()
{
    Command demo;
    demo.words = QStringList { QStringLiteral("demo") };
    demo.summary
        = QStringLiteral("Saves, lists, names, removes and draws presets, intros, an import and titles in a "
                         "new temporary data folder (kept and printed), or in the one --data names.");
    demo.makesFreshDataFolder = true;
    demo.startsOwnHost = true;
    demo.drawsPictures = true;
    demo.run = runDemo;

    CommandGroup group;
    group.name = QStringLiteral("demo");
    group.summary = QStringLiteral("Show what the program does on a fresh data folder");
    group.commands = { demo };
    return group;
}

} // namespace Cli
