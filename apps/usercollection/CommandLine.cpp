#include "CommandLine.h"

#include "CommandError.h"

#include <QSet>

#include <algorithm>

namespace Cli {

namespace {

const QString Program = QStringLiteral("usercollection");

QCommandLineOption dataOption()
{
    return QCommandLineOption(QStringLiteral("data"),
        QStringLiteral("The data folder (default: $USERCOLLECTION_DATA, else "
                       "\"usercollection\" in the application data folder)."),
        QStringLiteral("DIR"));
}

QCommandLineOption jsonOption()
{
    return QCommandLineOption(QStringLiteral("json"), QStringLiteral("Print JSON instead of tables."));
}

QCommandLineOption quietOption()
{
    return QCommandLineOption(QStringLiteral("quiet"), QStringLiteral("Print no warnings of the services."));
}

QCommandLineOption versionOption()
{
    return QCommandLineOption(
        QStringLiteral("version"), QStringLiteral("Show the program's version and exit."));
}

QCommandLineOption helpOption()
{
    return QCommandLineOption(
        { QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Show this help and exit."));
}

QString optionList(const QString& title, const QList<QCommandLineOption>& options)
{
    if (options.isEmpty())
        return QString();
    int width = 0;
    for (const QCommandLineOption& option : options)
        width = std::max(width, int(optionSyntax(option).size()));
    QString text = title + QStringLiteral(":\n");
    for (const QCommandLineOption& option : options) {
        text += QStringLiteral("  %1  %2\n")
                    .arg(optionSyntax(option).leftJustified(width), wrapped(option.description(), width + 4));
    }
    return text;
}

// Every option any command takes, each name once, with the global ones.
QList<QCommandLineOption> everyOption(const QList<CommandGroup>& groups)
{
    QList<QCommandLineOption> options = globalOptions();
    QSet<QString> names;
    for (const QCommandLineOption& option : options)
        names.insert(option.names().constFirst());
    for (const CommandGroup& group : groups) {
        for (const Command& command : group.commands) {
            for (const QCommandLineOption& option : command.options) {
                if (!names.contains(option.names().constFirst())) {
                    names.insert(option.names().constFirst());
                    options += option;
                }
            }
        }
    }
    return options;
}

} // namespace

QString optionSyntax(const QCommandLineOption& option)
{
    QStringList names;
    for (const QString& name : option.names())
        names += (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    QString syntax = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        syntax += QLatin1Char(' ') + option.valueName();
    return syntax;
}

QList<QCommandLineOption> globalOptions()
{
    return { dataOption(), jsonOption(), quietOption(), versionOption(), helpOption() };
}

QString usageLine(const Command& command)
{
    QStringList parts = { Program };
    parts += command.words;
    for (int index = 0; index < command.arguments.size(); ++index) {
        const QString argument = command.arguments[index] == command.idFor
            ? QStringLiteral("%1|--id ID").arg(command.arguments[index])
            : command.arguments[index];
        parts += index < command.required ? argument : QStringLiteral("[%1]").arg(argument);
    }
    for (const QCommandLineOption& option : command.options) {
        if (option.names().constFirst() == QLatin1String("id") && !command.idFor.isEmpty())
            continue;
        const bool repeatable = command.repeatable.contains(option.names().constFirst());
        const QString syntax = optionSyntax(option) + (repeatable ? QStringLiteral(" ...") : QString());
        parts += command.requiredOptions.contains(option.names().constFirst())
            ? syntax
            : QStringLiteral("[%1]").arg(syntax);
    }
    return parts.join(QLatin1Char(' '));
}

QString wrapped(const QString& text, int indent, int width)
{
    QString result;
    int column = indent;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (column > indent && column + 1 + word.size() > width) {
            result += QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
            column = indent;
        } else if (column > indent) {
            result += QLatin1Char(' ');
            ++column;
        }
        result += word;
        column += word.size();
    }
    return result;
}

CommandLine::CommandLine(const QList<CommandGroup>& groups)
    : m_groups(groups)
{
}

CommandLine::Words CommandLine::locate(const QStringList& arguments) const
{
    // The words decide which options the command accepts, so a first pass with every
    // option of every command finds them; the value of a valued option is no word.
    QCommandLineParser outline;
    outline.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    outline.addOptions(everyOption(m_groups));
    static_cast<void>(outline.parse(arguments));
    Words found;
    found.words = outline.positionalArguments();
    found.help = outline.isSet(QStringLiteral("help"));
    found.version = outline.isSet(QStringLiteral("version"));
    found.dataRoot = outline.value(QStringLiteral("data"));
    for (const CommandGroup& group : m_groups) {
        if (!found.words.isEmpty() && group.name == found.words[0])
            found.group = &group;
    }
    if (!found.group)
        return found;
    if (found.group->commands.size() == 1 && found.group->commands[0].words.size() == 1) {
        found.command = &found.group->commands[0];
    } else if (found.words.size() > 1) {
        for (const Command& command : found.group->commands) {
            if (command.words.value(1) == found.words[1])
                found.command = &command;
        }
    }
    // A group's command of one word ("trash") runs when no second word names another.
    for (const Command& command : found.group->commands) {
        if (!found.command && command.words.size() == 1)
            found.command = &command;
    }
    return found;
}

void CommandLine::parse(const QStringList& arguments)
{
    const Words found = locate(arguments);
    const QStringList words = found.words.mid(0, 2);
    const bool help = found.help;
    m_help = help;
    // A command may give a global option's name a meaning of its own (restore --version N).
    const auto takenByCommand = [&found](const QCommandLineOption& global) {
        return found.command
            && std::any_of(found.command->options.begin(), found.command->options.end(),
                [&global](const QCommandLineOption& own) { return own.names() == global.names(); });
    };
    m_version = found.version && !help && !takenByCommand(versionOption());

    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const QCommandLineOption& global : globalOptions()) {
        if (!takenByCommand(global))
            m_parser.addOption(global);
    }

    if (words.isEmpty()) {
        if (help || m_version) {
            m_parser.parse(arguments);
            return;
        }
        throw usageError(QStringLiteral("missing command; see '%1 --help'").arg(Program));
    }
    m_group = found.group;
    m_command = found.command;
    if (!m_group)
        throw usageError(QStringLiteral("unknown command '%1'; see '%2 --help'").arg(words[0], Program));
    if (!m_command && words.size() > 1) {
        throw usageError(QStringLiteral("unknown %1 command '%2'; see '%3 %1 --help'")
                             .arg(m_group->name, words[1], Program));
    } else if (!m_command && !help) {
        throw usageError(
            QStringLiteral("missing %1 command; see '%2 %1 --help'").arg(m_group->name, Program));
    }

    if (m_command)
        m_parser.addOptions(m_command->options);
    if (!m_parser.parse(arguments)) {
        const QString context = m_command ? m_command->words.join(QLatin1Char(' ')) : m_group->name;
        throw usageError(QStringLiteral("%1: %2").arg(context, m_parser.errorText()));
    }
    if (help)
        return;

    m_arguments = m_parser.positionalArguments().mid(m_command->words.size());
    // An item given by --id leaves its name's place empty, so that the arguments after
    // it keep their places.
    if (!m_command->idFor.isEmpty() && m_parser.isSet(QStringLiteral("id"))) {
        if (m_parser.value(QStringLiteral("id")).trimmed().isEmpty())
            throw usageError(
                QStringLiteral("%1: --id needs an id").arg(m_command->words.join(QLatin1Char(' '))));
        const int at = int(m_command->arguments.indexOf(m_command->idFor));
        if (at <= m_arguments.size())
            m_arguments.insert(at, QString());
    }
    if (m_arguments.size() < m_command->required) {
        throw usageError(QStringLiteral("%1: missing %2; usage: %3")
                             .arg(m_command->words.join(QLatin1Char(' ')),
                                 m_command->arguments[m_arguments.size()], usageLine(*m_command)));
    }
    if (m_arguments.size() > m_command->arguments.size()) {
        throw usageError(
            QStringLiteral("%1: unexpected argument '%2'")
                .arg(m_command->words.join(QLatin1Char(' ')), m_arguments[m_command->arguments.size()]));
    }
}

bool CommandLine::helpRequested() const
{
    return m_help;
}

bool CommandLine::versionRequested() const
{
    return m_version;
}

bool CommandLine::json() const
{
    return m_parser.isSet(QStringLiteral("json"));
}

bool CommandLine::quiet() const
{
    return m_parser.isSet(QStringLiteral("quiet"));
}

QString CommandLine::dataRoot() const
{
    return m_parser.value(QStringLiteral("data"));
}

QString CommandLine::argument(int index) const
{
    return m_arguments.value(index);
}

QString CommandLine::helpText() const
{
    // A group's command of one word is helped with the group's others.
    if (m_command && m_group->commands.size() > 1 && m_command->words.size() > 1)
        return commandHelp(*m_command);
    if (m_group)
        return groupHelp(*m_group);
    return programHelp();
}

QString CommandLine::programHelp() const
{
    QString text
        = QStringLiteral("Usage: %1 [--data DIR] [--json] [--quiet] COMMAND ...\n\n"
                         "Saves, lists, names, shows and removes the user's effect presets, imports,\n"
                         "intros and titles in one data folder.\n\nCommands:\n")
              .arg(Program);
    int width = 0;
    for (const CommandGroup& group : m_groups)
        width = std::max(width, int(group.name.size()));
    for (const CommandGroup& group : m_groups)
        text += QStringLiteral("  %1  %2\n").arg(group.name.leftJustified(width), group.summary);
    text += QLatin1Char('\n') + optionList(QStringLiteral("Options"), globalOptions());
    text += QStringLiteral("\nRun '%1 COMMAND --help' for the arguments of a command.\n").arg(Program);
    return text;
}

QString CommandLine::groupHelp(const CommandGroup& group) const
{
    QString text = QStringLiteral("Usage:\n");
    for (const Command& command : group.commands)
        text += QStringLiteral("  %1\n").arg(usageLine(command));
    text += QLatin1Char('\n') + group.summary + QStringLiteral(".\n\n");
    for (const Command& command : group.commands) {
        if (group.commands.size() > 1)
            text += QStringLiteral("%1:\n  %2\n")
                        .arg(command.words.join(QLatin1Char(' ')), wrapped(command.summary, 2));
        else
            text += wrapped(command.summary, 0) + QLatin1Char('\n');
    }
    QList<QCommandLineOption> options;
    QSet<QString> seen;
    for (const Command& command : group.commands) {
        for (const QCommandLineOption& option : command.options) {
            if (!seen.contains(option.names().constFirst())) {
                seen.insert(option.names().constFirst());
                options += option;
            }
        }
    }
    if (!options.isEmpty())
        text += QLatin1Char('\n') + optionList(QStringLiteral("Options"), options);
    if (!group.details.isEmpty())
        text += QLatin1Char('\n') + group.details;
    text += QLatin1Char('\n') + optionList(QStringLiteral("Global options"), globalOptions());
    return text;
}

QString CommandLine::commandHelp(const Command& command) const
{
    QString text = QStringLiteral("Usage: %1\n\n%2\n").arg(usageLine(command), wrapped(command.summary, 0));
    if (!command.options.isEmpty())
        text += QLatin1Char('\n') + optionList(QStringLiteral("Options"), command.options);
    if (!m_group->details.isEmpty())
        text += QLatin1Char('\n') + m_group->details;
    text += QLatin1Char('\n') + optionList(QStringLiteral("Global options"), globalOptions());
    return text;
}

} // namespace Cli
