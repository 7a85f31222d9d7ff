#include "CompletionCommand.h"

#include "CommandError.h"
#include "Host.h"
#include "Inputs.h"
#include "Output.h"
#include <Model/CollectionID.h>
#include <Settings/Settings.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QLoggingCategory>

#include <algorithm>
#include <cstdio>

namespace Cli {

namespace {

// Loaded by bash-completion itself from its completions folder, or by hand with
// source <(usercollection completion bash).
const char* const BashScript
    = R"bash(# bash completion for usercollection; the program answers from its own command table.
if ! declare -F _init_completion >/dev/null && [[ -r /usr/share/bash-completion/bash_completion ]]; then
    . /usr/share/bash-completion/bash_completion
fi

_usercollection()
{
    local cur prev words cword split
    _init_completion -s || return
    local typed=("${words[@]:1:cword-1}") answer
    [[ $split == true ]] && typed+=("$prev")
    mapfile -t answer < <("$1" __complete "${typed[@]}" "$cur" 2>/dev/null)
    case ${answer[0]-} in
        @files) _filedir ;;
        @dirs) _filedir -d ;;
        *)
            # Names hold blanks and quotes: the shell quotes what it inserts.
            compopt -o filenames 2>/dev/null
            COMPREPLY=("${answer[@]}")
            ;;
    esac
}
complete -F _usercollection usercollection
)bash";

// word as the program would receive it from the shell, for a word still being typed
// too: quotes and backslashes taken away, an unclosed quote closed.
QString dequoted(const QString& word)
{
    QString text;
    QChar quote;
    for (int at = 0; at < word.size(); ++at) {
        const QChar c = word[at];
        if (!quote.isNull() && c == quote) {
            quote = QChar();
        } else if (quote.isNull() && (c == QLatin1Char('\'') || c == QLatin1Char('"'))) {
            quote = c;
        } else if (c == QLatin1Char('\\') && quote != QLatin1Char('\'') && at + 1 < word.size()
            && (quote.isNull() || QStringLiteral("\"\\$`").contains(word[at + 1]))) {
            text += word[++at];
        } else {
            text += c;
        }
    }
    return text;
}

QString optionName(const QCommandLineOption& option)
{
    for (const QString& name : option.names()) {
        if (name.size() > 1)
            return QStringLiteral("--") + name;
    }
    return QStringLiteral("-") + option.names().constFirst();
}

// The option word names, with or without the second dash; null for none.
const QCommandLineOption* optionCalled(const QList<QCommandLineOption>& options, const QString& word)
{
    for (const QCommandLineOption& option : options) {
        for (const QString& name : option.names()) {
            if (word == QLatin1Char('-') + name || word == QStringLiteral("--") + name)
                return &option;
        }
    }
    return nullptr;
}

QStringList collectionIds()
{
    using EditorCollection::CollectionID;
    QStringList ids;
    for (const std::string* id : { &CollectionID::IMPORTS, &CollectionID::INTROS, &CollectionID::TITLES,
             &CollectionID::AUDIO_EFFECTS, &CollectionID::VIDEO_EFFECTS })
        ids += QString::fromStdString(*id);
    return ids;
}

// The values of field of the items that the list command of group prints for the
// given arguments, from the data folder dataRoot; none when anything fails.
QStringList savedItems(const QList<CommandGroup>& groups, const CommandGroup& group,
    const QStringList& arguments, const QString& dataRoot, const QString& field)
{
    const auto list = std::find_if(group.commands.begin(), group.commands.end(),
        [](const Command& command) { return command.words.value(1) == QLatin1String("list"); });
    if (list == group.commands.end() || !QFileInfo(dataRoot).isDir())
        return {};
    QStringList values;
    try {
        CommandLine args(groups);
        args.parse(QStringList { QStringLiteral("usercollection"), QStringLiteral("--json") } + list->words
            + arguments.mid(0, list->arguments.size()));
        QLoggingCategory::setFilterRules(QStringLiteral("usercollection.*.warning=false"));
        Output out(true);
        Host host(dataRoot);
        Context context { &host, out, args, dataRoot };
        list->run(context);
        for (const QJsonValue& listed : out.result()) {
            for (const QJsonValue& item : listed.toArray())
                values += item.toObject().value(field).toString();
        }
    } catch (const CommandError&) {
        return {};
    }
    return values;
}

struct Completion {
    const QList<CommandGroup>& groups;
    CommandLine::Words found;
    QStringList arguments; // the command's arguments typed before the word completed

    QString dataRoot() const
    {
        QString root = found.dataRoot;
        if (root.startsWith(QStringLiteral("~/")))
            root = QDir::homePath() + root.mid(1);
        return root.isEmpty() ? Settings::dataRoot() : root;
    }

    QStringList valuesOf(const QString& valueName) const
    {
        if (valueName.contains(QLatin1Char('|')))
            return valueName.split(QLatin1Char('|'));
        if (valueName == QLatin1String("KIND"))
            return kindChoices();
        if (valueName == QLatin1String("COLLECTION"))
            return collectionIds();
        if (valueName == QLatin1String("DIR"))
            return { QStringLiteral("@dirs") };
        if (valueName == QLatin1String("FILE") || valueName == QLatin1String("PATH")
            || valueName == QLatin1String("IMAGE"))
            return { QStringLiteral("@files") };
        if (!found.group)
            return {};
        const Command* command = found.command;
        if (valueName == QLatin1String("ID"))
            return itemsOfKind(QStringLiteral("id"));
        if (valueName == QLatin1String("NAME") || (command && valueName == command->idFor))
            return itemsOfKind(QStringLiteral("name"));
        if (command && command->choices)
            return command->choices(valueName, arguments);
        return {};
    }

    QStringList optionsOf() const
    {
        QStringList names;
        for (const QCommandLineOption& option : globalOptions())
            names += optionName(option);
        if (found.command) {
            for (const QCommandLineOption& option : found.command->options)
                names += optionName(option);
        }
        return names;
    }

    // What may stand where the next positional word goes.
    QStringList nextWords() const
    {
        if (!found.group) {
            QStringList names;
            for (const CommandGroup& group : groups)
                names += group.name;
            return names;
        }
        if (!found.command) {
            QStringList second;
            for (const Command& command : found.group->commands)
                second += command.words.value(1);
            return second;
        }
        int index = int(arguments.size());
        // An item given by --id takes its name's place.
        const int idAt = int(found.command->arguments.indexOf(found.command->idFor));
        if (idAt >= 0 && index >= idAt && hasId)
            ++index;
        if (index >= found.command->arguments.size())
            return {};
        return valuesOf(found.command->arguments[index]);
    }

    bool hasId = false;

    // The saved items the command may name: those its group lists, or for info, which
    // names the kind first, those the kind's own group lists.
    QStringList itemsOfKind(const QString& field) const
    {
        if (found.group->name != QLatin1String("info"))
            return savedItems(groups, *found.group, arguments, dataRoot(), field);
        const QString kind = arguments.value(0);
        const bool preset = kind == QLatin1String("equalizer") || kind == QLatin1String("enhance");
        const QString listing = preset       ? QStringLiteral("effects")
            : kind == QLatin1String("title") ? QStringLiteral("titles")
            : kind == QLatin1String("intro") ? QStringLiteral("intros")
                                             : QStringLiteral("imports");
        for (const CommandGroup& group : groups) {
            if (group.name == listing)
                return savedItems(
                    groups, group, preset ? QStringList { kind } : QStringList(), dataRoot(), field);
        }
        return {};
    }
};

void showScript(Context& context)
{
    const QString script = QString::fromUtf8(BashScript);
    QStringList lines = script.split(QLatin1Char('\n'));
    if (lines.constLast().isEmpty())
        lines.removeLast();
    for (const QString& line : lines)
        context.out.line(line);
    context.out.set(QStringLiteral("shell"), QStringLiteral("bash"));
    context.out.set(QStringLiteral("script"), script);
}

// text for roff: backslashes and dashes kept, a leading dot or quote not a request.
QString roff(QString text)
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\e")).replace(QLatin1Char('-'), QStringLiteral("\\-"));
    if (text.startsWith(QLatin1Char('.')) || text.startsWith(QLatin1Char('\'')))
        text.prepend(QStringLiteral("\\&"));
    return text;
}

QString bold(const QString& text)
{
    return QStringLiteral("\\fB%1\\fR").arg(roff(text));
}

// An argument or value: alternatives are words to type, anything else a placeholder.
QString placeholder(const QString& name)
{
    if (!name.contains(QLatin1Char('|')))
        return QStringLiteral("\\fI%1\\fR").arg(roff(name));
    QStringList words;
    for (const QString& word : name.split(QLatin1Char('|')))
        words += bold(word);
    return words.join(QLatin1Char('|'));
}

QString optionUsage(const QCommandLineOption& option)
{
    QString text = bold(optionName(option));
    if (!option.valueName().isEmpty())
        text += QLatin1Char(' ') + placeholder(option.valueName());
    return text;
}

QString commandUsage(const Command& command)
{
    QStringList parts { bold(command.words.join(QLatin1Char(' '))) };
    for (int index = 0; index < command.arguments.size(); ++index) {
        QString argument = placeholder(command.arguments[index]);
        if (command.arguments[index] == command.idFor)
            argument += QStringLiteral("|\\fB\\-\\-id\\fR \\fIID\\fR");
        parts += index < command.required ? argument : QStringLiteral("[%1]").arg(argument);
    }
    for (const QCommandLineOption& option : command.options) {
        if (option.names().constFirst() == QLatin1String("id") && !command.idFor.isEmpty())
            continue;
        QString usage = optionUsage(option);
        if (command.repeatable.contains(option.names().constFirst()))
            usage += QStringLiteral(" ...");
        parts += command.requiredOptions.contains(option.names().constFirst())
            ? usage
            : QStringLiteral("[%1]").arg(usage);
    }
    return parts.join(QLatin1Char(' '));
}

} // namespace

int printCompletions(const QList<CommandGroup>& groups, const QStringList& words)
{
    if (words.isEmpty())
        return 0;
    QStringList typed;
    for (const QString& word : words)
        typed += dequoted(word);
    const QString current = typed.takeLast();

    const CommandLine table(groups);
    Completion completion { groups, table.locate(QStringList { QStringLiteral("usercollection") } + typed),
        {} };
    const CommandLine::Words& found = completion.found;
    if (found.command)
        completion.arguments = found.words.mid(found.command->words.size());
    QList<QCommandLineOption> options = globalOptions();
    if (found.command)
        options += found.command->options;
    completion.hasId = found.command && typed.contains(QStringLiteral("--id"));

    QStringList candidates;
    const QCommandLineOption* valued = typed.isEmpty() ? nullptr : optionCalled(options, typed.constLast());
    if (valued && !valued->valueName().isEmpty())
        candidates = completion.valuesOf(valued->valueName());
    else if (current.startsWith(QLatin1Char('-')))
        candidates = completion.optionsOf();
    else
        candidates = completion.nextWords();

    for (const QString& candidate : candidates) {
        const bool marker = candidate == QLatin1String("@files") || candidate == QLatin1String("@dirs");
        if ((marker || candidate.startsWith(current)) && !candidate.contains(QLatin1Char('\n')))
            std::printf("%s\n", candidate.toLocal8Bit().constData());
    }
    return 0;
}

int printManCommands(const QList<CommandGroup>& groups)
{
    QString text
        = QStringLiteral("[COMMANDS]\n"
                         "Each run works on one data folder and does one command; "
                         "\\fBusercollection\\fR \\fICOMMAND\\fR \\fB\\-\\-help\\fR says the same.\n");
    for (const CommandGroup& group : groups) {
        for (const Command& command : group.commands) {
            text += QStringLiteral(".TP\n%1\n%2\n").arg(commandUsage(command), roff(command.summary));
            if (command.options.isEmpty())
                continue;
            text += QStringLiteral(".RS\n");
            for (const QCommandLineOption& option : command.options)
                text += QStringLiteral(".TP\n%1\n%2\n").arg(optionUsage(option), roff(option.description()));
            text += QStringLiteral(".RE\n");
        }
    }
    std::fputs(text.toUtf8().constData(), stdout);
    return 0;
}

CommandGroup completionCommands()
{
    Command bash;
    bash.words = QStringList { QStringLiteral("completion"), QStringLiteral("bash") };
    bash.summary = QStringLiteral("Prints the bash completion script: commands, options, effect types, "
                                  "import kinds, collections and the names of saved items. Load it with "
                                  "'source <(usercollection completion bash)'.");
    // Needs no data folder, so it starts no services.
    bash.startsOwnHost = true;
    bash.run = showScript;

    CommandGroup group;
    group.name = QStringLiteral("completion");
    group.summary = QStringLiteral("Print a shell completion script");
    group.commands = { bash };
    return group;
}

} // namespace Cli
