#include "PackCommands.h"

#include "CommandError.h"
#include "Host.h"
#include "Output.h"
#include <Transfer/Pack.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <cstdio>
#include <functional>
#include <set>

namespace Cli {

namespace {

using Transfer::ItemType;
using Transfer::Outcome;

// A line on stderr, redrawn in place, once a run has taken long enough to wonder
// about; only on a terminal, so that scripts and logs never see it.
class ProgressLine {
public:
    explicit ProgressLine(const QString& verb)
        : m_verb(verb)
        , m_onTerminal(isatty(fileno(stderr)) != 0)
    {
        m_clock.start();
    }
    ~ProgressLine()
    {
        if (m_shown)
            std::fputs("\r\033[K", stderr);
    }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void operator()(std::size_t done, std::size_t total)
    {
        if (!m_onTerminal || m_clock.elapsed() < DelayMs)
            return;
        m_shown = true;
        std::fprintf(stderr, "\r%s %zu of %zu item(s)...", qPrintable(m_verb), done, total);
        std::fflush(stderr);
    }

private:
    static constexpr qint64 DelayMs = 500;
    const QString m_verb;
    const bool m_onTerminal;
    QElapsedTimer m_clock;
    bool m_shown = false;
};

std::set<ItemType> typesOf(const QStringList& words)
{
    std::set<ItemType> types;
    for (const QString& word : words) {
        if (word == QLatin1String("effects")) {
            types.insert({ ItemType::Equalizer, ItemType::Enhance });
        } else if (word == QLatin1String("imports")) {
            types.insert(ItemType::Import);
        } else if (word == QLatin1String("intros")) {
            types.insert(ItemType::Intro);
        } else if (word == QLatin1String("titles")) {
            types.insert(ItemType::Title);
        } else {
            throw usageError(
                QStringLiteral("unknown item type '%1' (expected effects, intros, imports or titles)")
                    .arg(word));
        }
    }
    return types;
}

QString outcomeName(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Exported:
        return QStringLiteral("exported");
    case Outcome::Imported:
        return QStringLiteral("imported");
    case Outcome::Renamed:
        return QStringLiteral("renamed");
    case Outcome::AlreadyThere:
        return QStringLiteral("alreadyThere");
    case Outcome::Refused:
        return QStringLiteral("refused");
    }
    return QString();
}

// The items in JSON, and a line each for the ones a reader should know about.
void printItems(Output& out, const Transfer::PackReport& report)
{
    QJsonArray entries;
    for (const Transfer::ItemReport& item : report.items) {
        const QString type = Transfer::typeName(item.type);
        if (item.outcome == Outcome::Renamed)
            out.line(QStringLiteral("  renamed: %1 '%2' as '%3'").arg(type, item.name, item.newName));
        if (item.outcome == Outcome::Refused)
            out.line(QStringLiteral("  refused: %1 '%2': %3").arg(type, item.name, item.reason));
        entries.append(QJsonObject {
            { QStringLiteral("type"), type },
            { QStringLiteral("name"), item.name },
            { QStringLiteral("newName"), item.newName },
            { QStringLiteral("uniqueId"), item.uniqueId },
            { QStringLiteral("outcome"), outcomeName(item.outcome) },
            { QStringLiteral("reason"), item.reason },
        });
    }
    out.set(QStringLiteral("items"), entries);
    const QList<QPair<QString, Outcome>> counts = { { QStringLiteral("exported"), Outcome::Exported },
        { QStringLiteral("imported"), Outcome::Imported }, { QStringLiteral("renamed"), Outcome::Renamed },
        { QStringLiteral("alreadyThere"), Outcome::AlreadyThere },
        { QStringLiteral("refused"), Outcome::Refused } };
    for (const auto& [key, outcome] : counts)
        out.set(key, int(report.count(outcome)));
}

void runExport(Context& context)
{
    Host& host = *context.host;
    const QString file = QFileInfo(context.args.argument(0)).absoluteFilePath();
    Transfer::Selection selection;
    selection.types = typesOf(context.args.values(QStringLiteral("only")));
    for (const QString& id : context.args.values(QStringLiteral("collection")))
        selection.collections.insert(id.toStdString());
    selection.names = context.args.values(QStringLiteral("name"));
    // Read while no save is half done.
    if (QDir(host.dataRoot()).exists())
        host.lock();

    ProgressLine progress(QStringLiteral("Exported"));
    const Transfer::PackReport report
        = Transfer::exportPack(file, host.imports(), selection, std::ref(progress));
    if (!report.ok)
        throw failure(report.error);
    const std::size_t refused = report.count(Outcome::Refused);
    context.out.line(QStringLiteral("Exported %1 item(s) into %2%3")
                         .arg(report.count(Outcome::Exported))
                         .arg(QDir::toNativeSeparators(file),
                             refused ? QStringLiteral("; %1 refused").arg(refused) : QString()));
    printItems(context.out, report);
    context.out.set(QStringLiteral("file"), file);
}

void runImport(Context& context)
{
    Host& host = *context.host;
    const QString file = context.args.argument(0);
    if (!QFileInfo(file).isFile())
        throw usageError(QStringLiteral("no such file %1").arg(QDir::toNativeSeparators(file)));
    Transfer::ImportOptions options;
    options.dryRun = context.args.isSet(QStringLiteral("dry-run"));
    if (!options.dryRun)
        host.prepareForWriting();
    else if (QDir(host.dataRoot()).exists())
        host.lock();

    ProgressLine progress(QStringLiteral("Imported"));
    options.progress = std::ref(progress);
    const Transfer::PackReport report = Transfer::importPack(file, host.imports(), options);
    if (!report.ok)
        throw report.refused ? usageError(report.error) : failure(report.error);
    const std::size_t named = report.count(Outcome::Imported);
    const std::size_t renamed = report.count(Outcome::Renamed);
    context.out.line(
        QStringLiteral("%1 %2 item(s) from %3: %4 under their own name, %5 renamed, %6 already there")
            .arg(options.dryRun ? QStringLiteral("Would import") : QStringLiteral("Imported"))
            .arg(named + renamed)
            .arg(QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()))
            .arg(named)
            .arg(renamed)
            .arg(report.count(Outcome::AlreadyThere)));
    printItems(context.out, report);
    context.out.set(QStringLiteral("file"), QFileInfo(file).absoluteFilePath());
    context.out.set(QStringLiteral("dryRun"), options.dryRun);
}

} // namespace

QList<CommandGroup> packCommands()
{
    Command exporting;
    exporting.words = QStringList { QStringLiteral("export") };
    exporting.arguments = QStringList { QStringLiteral("FILE") };
    exporting.required = 1;
    exporting.summary = QStringLiteral(
        "Writes the saved items (all of them, or those the options choose) into the pack FILE, a ZIP file "
        "with their records, previews and intros' bundles; FILE appears whole or not at all.");
    exporting.options = {
        { QStringLiteral("only"), QStringLiteral("Only items of this type; may be repeated."),
            QStringLiteral("effects|intros|imports|titles") },
        { QStringLiteral("collection"), QStringLiteral("Only items of this collection; may be repeated."),
            QStringLiteral("COLLECTION") },
        { QStringLiteral("name"), QStringLiteral("Only items with this name; may be repeated."),
            QStringLiteral("NAME") },
    };
    exporting.repeatable
        = QStringList { QStringLiteral("only"), QStringLiteral("collection"), QStringLiteral("name") };
    exporting.run = runExport;

    Command importing;
    importing.words = QStringList { QStringLiteral("import") };
    importing.arguments = QStringList { QStringLiteral("FILE") };
    importing.required = 1;
    importing.summary = QStringLiteral(
        "Adds the items of the pack FILE: a taken name becomes NAME_01, ...; an item whose content is there "
        "already under its name is skipped; nothing is overwritten. A damaged or hostile pack is refused "
        "whole, "
        "and a failed save takes back the whole import.");
    importing.options = {
        { QStringLiteral("dry-run"), QStringLiteral("Check the pack and report what an import would do.") },
    };
    // Titles without a preview get a drawn one.
    importing.drawsPictures = true;
    importing.run = runImport;

    CommandGroup exportGroup;
    exportGroup.name = QStringLiteral("export");
    exportGroup.summary = QStringLiteral("Write saved items into a pack file");
    exportGroup.commands = { exporting };
    CommandGroup importGroup;
    importGroup.name = QStringLiteral("import");
    importGroup.summary = QStringLiteral("Add the items of a pack file");
    importGroup.commands = { importing };
    return { exportGroup, importGroup };
}

} // namespace Cli
