// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli completion bash: the shell completion script, written from the command table so
// that it never differs from the commands. The package ships its output.

#include "cli/command.h"

#include <QMap>

namespace {

// What a value or an argument completes to: words, files ("-f"), folders ("-d") or nothing.
QString completes(const QString& name, const QStringList& choices) {
    if (!choices.isEmpty())
        return choices.join(QLatin1Char(' '));
    if (name.contains(QLatin1String("DIR")) || name.contains(QLatin1String("FOLDER")))
        return QStringLiteral("-d");
    if (name.contains(QLatin1String("FILE")) || name.contains(QLatin1Char('.')))
        return QStringLiteral("-f");
    return QString();
}

// "case" branches: the patterns that share a completion, joined with "|".
QString branches(const QMap<QString, QStringList>& patterns, const QString& indent) {
    QString text;
    for (auto it = patterns.begin(); it != patterns.end(); ++it) {
        if (it.key().isEmpty())
            continue;
        const QString action =
            it.key().startsWith(QLatin1Char('-'))
                ? QStringLiteral("_tallyvane_cli_files ") + it.key()
                : QStringLiteral("COMPREPLY=($(compgen -W \"%1\" -- \"$cur\"))").arg(it.key());
        text += indent + it.value().join(QLatin1Char('|')) + QStringLiteral(")\n") + indent +
                QStringLiteral("    ") + action + QStringLiteral(" ;;\n");
    }
    return text;
}

int runCompletion(const CliCall&) {
    printOut(bashCompletion());
    return ExitDone;
}

CliCommand completionCommand() {
    CliCommand command;
    command.name = QStringLiteral("completion");
    command.summary = QStringLiteral("Prints the shell completion script.");
    command.arguments = {
        {QStringLiteral("SHELL"), QStringLiteral("The shell."), false, {QStringLiteral("bash")}}};
    command.hidden = true;
    command.run = runCompletion;
    return command;
}

const CliRegistration registered(completionCommand);

} // namespace

QString bashCompletion() {
    const QList<CliCommand> commands = cliCommands();
    QStringList names;
    QMap<QString, QStringList> values, arguments; // completion -> "command word" patterns
    QString options, valueOptions;
    for (const CliCommand& command : commands) {
        names << command.name;
        QStringList all, withValue;
        for (const CliOption& option : command.allOptions()) {
            all << QStringLiteral("--") + option.name;
            if (option.valueName.isEmpty())
                continue;
            withValue << all.last();
            values[completes(option.valueName, option.choices)]
                << QStringLiteral("\"%1 --%2\"").arg(command.name, option.name);
        }
        options += QStringLiteral("        %1) options=\"%2\" valued=\"%3\" ;;\n")
                       .arg(command.name, (all + QStringList{QStringLiteral("--help")}).join(' '),
                            withValue.join(' '));
        for (int i = 0; i < command.arguments.size(); ++i) {
            const CliArgument& argument = command.arguments.at(i);
            arguments[completes(argument.name, argument.choices)]
                << QStringLiteral("\"%1 %2\"").arg(command.name).arg(i);
        }
    }
    arguments[names.join(' ')] << QStringLiteral("\"help 0\"");

    return QStringLiteral(
               "# bash completion for tallyvane-cli                        -*- shell-script -*-\n"
               "# Written by \"tallyvane-cli completion bash\" from the program's command "
               "table.\n\n"
               "_tallyvane_cli_files()\n{\n"
               "    local IFS=$'\\n'\n"
               "    compopt -o filenames 2>/dev/null\n"
               "    COMPREPLY=($(compgen \"$1\" -- \"$cur\"))\n}\n\n"
               "_tallyvane_cli()\n{\n"
               "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
               "    local command=${COMP_WORDS[1]} options= valued= i n=0 skip=\n"
               "    COMPREPLY=()\n"
               "    if [[ $COMP_CWORD -eq 1 ]]; then\n"
               "        COMPREPLY=($(compgen -W \"%1 --help --version\" -- \"$cur\"))\n"
               "        return\n"
               "    fi\n"
               "    # bash splits \"--option=value\" at the \"=\".\n"
               "    if [[ $cur == = ]]; then\n"
               "        cur=\n"
               "    elif [[ $prev == = ]]; then\n"
               "        prev=${COMP_WORDS[COMP_CWORD-2]}\n"
               "    fi\n"
               "    case $command in\n%3"
               "    esac\n"
               "    case \"$command $prev\" in\n%2"
               "    esac\n"
               "    if [[ $prev == -* && \" $valued \" == *\" $prev \"* ]]; then\n"
               "        return\n"
               "    fi\n"
               "    if [[ $cur == -* ]]; then\n"
               "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
               "        return\n"
               "    fi\n"
               "    # The arguments before this one, without the options and their values.\n"
               "    for ((i = 2; i < COMP_CWORD; i++)); do\n"
               "        if [[ -n $skip ]]; then\n"
               "            skip=\n"
               "        elif [[ ${COMP_WORDS[i]} == = ]]; then\n"
               "            skip=1\n"
               "        elif [[ ${COMP_WORDS[i]} == -* ]]; then\n"
               "            [[ \" $valued \" == *\" ${COMP_WORDS[i]} \"* && "
               "${COMP_WORDS[i+1]} != = ]] && skip=1\n"
               "        else\n"
               "            n=$((n + 1))\n"
               "        fi\n"
               "    done\n"
               "    case \"$command $n\" in\n%4"
               "    esac\n"
               "} &&\n"
               "    complete -F _tallyvane_cli tallyvane-cli\n\n"
               "# ex: filetype=sh")
        .arg(names.join(' '), branches(values, QStringLiteral("        ")), options,
             branches(arguments, QStringLiteral("        ")));
}
