#include "CompletionCommand.h"

#include "Inputs.h"
#include "Output.h"
#include <Model/CollectionID.h>

namespace Cli {

namespace {

// Everything but the command table; the @NAME@ markers receive its case clauses.
const char* const BashScript
    = R"bash(# bash completion for usercollection: commands, options, effect types, import kinds,
# collections and the names of saved items. Written by `usercollection completion bash`;
# load it with  source <(usercollection completion bash)

# REPLY: the word as the program will receive it, without the quoting typed.
_usercollection_dequote()
{
    local word=$1 char quote= i
    REPLY=
    for ((i = 0; i < ${#word}; i++)); do
        char=${word:i:1}
        if [[ -n $quote && $char == "$quote" ]]; then
            quote=
        elif [[ $quote != "'" && $char == "\\" ]]; then
            i=$((i + 1))
            REPLY+=${word:i:1}
        elif [[ -z $quote && ( $char == "'" || $char == '"' ) ]]; then
            quote=$char
        else
            REPLY+=$char
        fi
    done
}

# Offers the candidates that start with the word being completed, as they are: no
# expansion, so a saved name cannot run anything.
_usercollection_offer()
{
    local candidate
    for candidate in "$@"; do
        [[ $candidate == "$_usercollection_cur"* ]] && COMPREPLY+=("$candidate")
    done
    return 0
}

# The data folder typed, for the list commands.
_usercollection_use_data()
{
    _usercollection_dequote "$1"
    [[ $REPLY == "~"/* ]] && REPLY=$HOME${REPLY:1}
    _usercollection_data=(--data "$REPLY")
}

# Offers the names a list command prints; $1 is how many of the arguments typed so far
# it takes, the rest of the arguments are its words.
_usercollection_saved()
{
    local count=$1 names
    shift
    mapfile -t names < <("$_usercollection_host" "${_usercollection_data[@]}" --quiet --json "$@" \
        "${_usercollection_args[@]:0:count}" 2>/dev/null |
        sed -n '/^ *"name": "/{s/^ *"name": "\(.*\)",\{0,1\}$/\1/;s/\\\\/\x01/g;s/\\"/"/g;s/\x01/\\/g;p}')
    # Names hold blanks and quotes: the shell quotes what it inserts.
    compopt -o filenames 2>/dev/null
    _usercollection_offer "${names[@]}"
}

# $1: -f for files, -d for folders.
_usercollection_files()
{
    compopt -o filenames 2>/dev/null
    mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen "$1" -- "$_usercollection_cur")
}

_usercollection()
{
    local IFS=$' \t\n'
    local _usercollection_host=$1 _usercollection_cur _usercollection_data=() _usercollection_args=()
    local cword=$COMP_CWORD words=() word prev i count=0 key
    COMPREPLY=()
    word=${COMP_WORDS[cword]}
    prev=${COMP_WORDS[cword - 1]}
    # The shell splits --option=value into three words.
    if [[ $word == = ]]; then
        word=
    elif [[ $prev == = ]]; then
        prev=${COMP_WORDS[cword - 2]}
    fi
    _usercollection_dequote "$word"
    _usercollection_cur=$REPLY

    # The words before this one: the data folder, the command and its arguments.
    for ((i = 1; i < cword; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
@VALUED@)
                [[ ${COMP_WORDS[i + 1]} == = ]] && i=$((i + 1))
                i=$((i + 1))
                [[ $word == --data ]] && ((i < cword)) && _usercollection_use_data "${COMP_WORDS[i]}"
                ;;
            --data=*) _usercollection_use_data "${word#--data=}" ;;
            -*) ;;
            *)
                _usercollection_dequote "$word"
                words+=("$REPLY")
                ;;
        esac
    done
    case ${words[0]} in
@COUNTS@
    esac
    key=${words[*]:0:count}
    _usercollection_args=("${words[@]:count}")

    case $key:$prev in
@VALUES@
    esac

    if [[ $_usercollection_cur == -* ]]; then
        _usercollection_offer @GLOBAL@
        case $key in
@OPTIONS@
        esac
    elif ((${#words[@]} == 0)); then
        _usercollection_offer @GROUPS@
    elif ((${#words[@]} < count)); then
        case ${words[0]} in
@SUBCOMMANDS@
        esac
    else
        case $key:${#_usercollection_args[@]} in
@ARGUMENTS@
        esac
    fi
}

complete -F _usercollection usercollection
)bash";

QString quotedList(const QStringList& words)
{
    QStringList result;
    for (const QString& word : words)
        result += shellQuoted(word);
    return result.join(QLatin1Char(' '));
}

QString optionName(const QCommandLineOption& option)
{
    for (const QString& name : option.names()) {
        if (name.size() > 1)
            return QStringLiteral("--") + name;
    }
    return QStringLiteral("-") + option.names().constFirst();
}

QString offer(const QStringList& candidates)
{
    return QStringLiteral("_usercollection_offer ") + quotedList(candidates);
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

// The shell command that completes a value shown as valueName; empty for free text.
QString valueCompletion(const QString& valueName, const CommandGroup& group)
{
    if (valueName.contains(QLatin1Char('|')))
        return offer(valueName.split(QLatin1Char('|')));
    if (valueName == QLatin1String("KIND"))
        return offer(kindChoices());
    if (valueName == QLatin1String("COLLECTION"))
        return offer(collectionIds());
    if (valueName == QLatin1String("DIR"))
        return QStringLiteral("_usercollection_files -d");
    if (valueName == QLatin1String("FILE") || valueName == QLatin1String("PATH")
        || valueName == QLatin1String("IMAGE"))
        return QStringLiteral("_usercollection_files -f");
    if (valueName == QLatin1String("NAME")) {
        for (const Command& command : group.commands) {
            if (command.words.value(1) == QLatin1String("list")) {
                return QStringLiteral("_usercollection_saved %1 %2")
                    .arg(command.arguments.size())
                    .arg(quotedList(command.words));
            }
        }
    }
    return QString();
}

// An option's value ends the completion, even when there is nothing to offer for it.
QString valueThenReturn(const QString& action)
{
    return (action.isEmpty() ? QStringLiteral(":") : action) + QStringLiteral("; return");
}

// One line of a case statement nested depth levels deep.
QString clause(int depth, const QString& pattern, const QString& action)
{
    return QStringLiteral("%1%2) %3 ;;\n").arg(QString(4 * depth, QLatin1Char(' ')), pattern, action);
}

void showScript(Context& context)
{
    const QString script = bashCompletion(context.args.groups());
    QStringList lines = script.split(QLatin1Char('\n'));
    if (lines.constLast().isEmpty())
        lines.removeLast();
    for (const QString& line : lines)
        context.out.line(line);
    context.out.set(QStringLiteral("shell"), QStringLiteral("bash"));
    context.out.set(QStringLiteral("script"), script);
}

} // namespace

QString bashCompletion(const QList<CommandGroup>& groups)
{
    QStringList valued;
    QStringList global;
    QString values, options, counts, subcommands, arguments, globalValues;
    for (const QCommandLineOption& option : globalOptions()) {
        global += optionName(option);
        if (option.valueName().isEmpty())
            continue;
        valued += optionName(option);
        globalValues += clause(2, QStringLiteral("*:") + shellQuoted(optionName(option)),
            valueThenReturn(valueCompletion(option.valueName(), CommandGroup())));
    }

    QStringList groupNames;
    for (const CommandGroup& group : groups) {
        groupNames += group.name;
        const int wordCount = group.commands.isEmpty() ? 1 : int(group.commands.constFirst().words.size());
        counts += clause(2, shellQuoted(group.name), QStringLiteral("count=%1").arg(wordCount));
        QStringList second;
        for (const Command& command : group.commands) {
            const QString key = command.words.join(QLatin1Char(' '));
            if (command.words.size() > 1)
                second += command.words[1];
            QStringList names;
            for (const QCommandLineOption& option : command.options) {
                names += optionName(option);
                if (option.valueName().isEmpty())
                    continue;
                if (!valued.contains(optionName(option)))
                    valued += optionName(option);
                values += clause(2, shellQuoted(key + QLatin1Char(':') + optionName(option)),
                    valueThenReturn(valueCompletion(option.valueName(), group)));
            }
            if (!names.isEmpty())
                options += clause(3, shellQuoted(key), offer(names));
            for (int index = 0; index < command.arguments.size(); ++index) {
                const QString action = valueCompletion(command.arguments[index], group);
                if (!action.isEmpty())
                    arguments += clause(3, shellQuoted(QStringLiteral("%1:%2").arg(key).arg(index)), action);
            }
        }
        if (wordCount > 1)
            subcommands += clause(3, shellQuoted(group.name), offer(second));
    }

    QString script = QString::fromUtf8(BashScript);
    auto fill = [&script](const char* marker, QString text) {
        if (text.endsWith(QLatin1Char('\n')))
            text.chop(1);
        script.replace(QLatin1String(marker), text);
    };
    fill("@VALUED@", QString(12, QLatin1Char(' ')) + valued.join(QLatin1Char('|')));
    fill("@COUNTS@", counts);
    fill("@VALUES@", values + globalValues);
    fill("@GLOBAL@", quotedList(global));
    fill("@OPTIONS@", options);
    fill("@GROUPS@", quotedList(groupNames));
    fill("@SUBCOMMANDS@", subcommands);
    fill("@ARGUMENTS@", arguments);
    return script;
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
