#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace Cli {

class Host;
class Output;
class CommandLine;

struct Context {
    Host* host; // null for a command that starts its own
    Output& out;
    const CommandLine& args;
    QString dataRoot;
    int status = 0; // the exit status of a command that reports and still fails (check)
};

// One command of the program, such as "effects save": the words that select it, its
// arguments and options, and what it does.
struct Command {
    QStringList words;
    QStringList arguments; // as shown in the usage line; the first `required` must be given
    int required = 0;
    QString summary;
    QList<QCommandLineOption> options;
    QStringList repeatable; // options that may be given more than once
    QStringList requiredOptions; // options that must be given
    QString idFor; // the argument (an item's name) that --id ID may stand for instead
    std::function<void(Context&)> run;
    bool makesFreshDataFolder = false; // without --data, works in a new temporary folder
    bool startsOwnHost = false;
    bool drawsPictures = false; // needs a GUI application (pixmaps, fonts)
    bool streams = false; // prints its lines as it goes, and no report at the end
    // The values a person may mean for an argument or option value shown as valueName,
    // given the command's arguments so far; for values only this command knows.
    std::function<QStringList(const QString& valueName, const QStringList& arguments)> choices;
};

// A group of commands sharing their first word ("effects"); a group without a second
// word holds one command.
struct CommandGroup {
    QString name;
    QString summary;
    QString details; // extra help text, may be empty
    QList<Command> commands;
};

// The parsed command line: global options, the command it selects, the command's
// arguments and options. Every problem is a usage error.
class CommandLine {
public:
    // What a command line selects, found without judging the rest of it.
    struct Words {
        QStringList words; // every positional argument, the command's words first
        const CommandGroup* group = nullptr;
        const Command* command = nullptr;
        bool help = false;
        bool version = false;
        QString dataRoot;
    };

    explicit CommandLine(const QList<CommandGroup>& groups);

    // The group and command that arguments (the program's name first) select.
    Words locate(const QStringList& arguments) const;

    // Throws a usage error for an unknown command or option or a wrong argument count;
    // with --help, only finds what help to show.
    void parse(const QStringList& arguments);

    bool helpRequested() const;
    // --version with no command after it.
    bool versionRequested() const;
    QString helpText() const;

    const Command* command() const { return m_command; }
    const QList<CommandGroup>& groups() const { return m_groups; }
    bool json() const;
    bool quiet() const;
    // The --data value, empty when not given.
    QString dataRoot() const;

    // The command's arguments after its words; empty for one not given.
    QString argument(int index) const;
    bool isSet(const QString& option) const { return m_parser.isSet(option); }
    QString value(const QString& option) const { return m_parser.value(option); }
    QStringList values(const QString& option) const { return m_parser.values(option); }

private:
    QString programHelp() const;
    QString groupHelp(const CommandGroup& group) const;
    QString commandHelp(const Command& command) const;

    QList<CommandGroup> m_groups;
    QCommandLineParser m_parser;
    const CommandGroup* m_group = nullptr;
    const Command* m_command = nullptr;
    QStringList m_arguments;
    bool m_help = false;
    bool m_version = false;
};

// The options every command takes: --data, --json, --quiet, --help.
QList<QCommandLineOption> globalOptions();
QString optionSyntax(const QCommandLineOption& option);
QString usageLine(const Command& command);
// text broken into lines of at most width columns, every line after the first
// indented by indent blanks.
QString wrapped(const QString& text, int indent, int width = 96);

} // namespace Cli
