// SPDX-License-Identifier: GPL-3.0-or-later
// The command table: registration, one parser per command, help texts, usage errors.

#include "cli/command.h"

#include "manager/store/companylock.h"
#include "manager/store/companystore.h"
#include "manager/store/items.h"
#include "manager/store/pathtext.h"
#include "manager/store/runtimeerror.h"
#include "manager/store/settings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace {

QList<CliCommand>& registry() {
    static QList<CliCommand> commands;
    return commands;
}

QHash<QString, CliDrawingRun>& drawings() {
    static QHash<QString, CliDrawingRun> runs;
    return runs;
}

const QString kProgram = QStringLiteral("tallyvane-cli");

CliOption companyOption() {
    CliOption option = valueOption(QStringLiteral("company"), QStringLiteral("NAME"),
                                   QStringLiteral("The company to work on."));
    option.required = true;
    return option;
}

CliOption rootOption() {
    return valueOption(QStringLiteral("root"), QStringLiteral("DIR"),
                       QStringLiteral("The company folder root; by default the one of the "
                                      "settings."));
}

CliOption waitOption() {
    return valueOption(QStringLiteral("wait"), QStringLiteral("SECONDS"),
                       QStringLiteral("How long to wait while another program writes the "
                                      "company before giving up."),
                       QStringLiteral("30"));
}

QString valueText(const QString& valueName, const QStringList& choices) {
    return choices.isEmpty() ? valueName : choices.join(QLatin1Char('|'));
}

QString optionText(const CliOption& option) {
    QString text = QStringLiteral("--") + option.name;
    if (!option.valueName.isEmpty())
        text += QLatin1Char(' ') + valueText(option.valueName, option.choices);
    return text;
}

// Two columns: the term, then its text from column 22, wrapped before column 80.
QString column(const QString& term, const QString& text) {
    const int indent = 22, width = 80;
    QString out = QStringLiteral("  ") + term;
    QString line =
        out.size() < indent ? out.leftJustified(indent) : out + '\n' + QString(indent, ' ');
    out.clear();
    bool first = true;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!first && line.size() + 1 + word.size() > width) {
            out += line + '\n';
            line = QString(indent, QLatin1Char(' '));
            first = true;
        }
        line += (first ? QString() : QStringLiteral(" ")) + word;
        first = false;
    }
    return out + line + '\n';
}

QString programHelp() {
    QString text = QStringLiteral("Usage: tallyvane-cli COMMAND [OPTIONS] [ARGUMENTS]\n"
                                  "       tallyvane-cli help COMMAND | COMMAND --help\n"
                                  "       tallyvane-cli --help | --version\n\nCommands:\n");
    for (const CliCommand& command : cliCommands())
        text += column(command.name, command.summary);
    text += QStringLiteral("\nOptions take their value as --option=VALUE or --option VALUE; "
                           "-- ends the options.\n--root DIR defaults to the company folder root "
                           "of the settings.\n\nExit status:\n");
    for (const auto& [code, meaning] : cliExitMeanings())
        text += column(QString::number(code), meaning);
    return text.chopped(1);
}

QString commandHelp(const CliCommand& command) {
    QString text = QStringLiteral("Usage: tallyvane-cli ") + command.synopsis() +
                   QStringLiteral("\n\n") + command.summary + '\n';
    if (!command.description.isEmpty())
        text += command.description + '\n';
    text += QStringLiteral("\nOptions:\n");
    for (const CliOption& option : command.allOptions()) {
        QString description = option.description;
        if (!option.defaultValue.isEmpty())
            description += QStringLiteral(" Default: %1.").arg(option.defaultValue);
        text += column(optionText(option), description);
    }
    text += column(QStringLiteral("-h, --help"), QStringLiteral("Prints this help."));
    if (!command.arguments.isEmpty()) {
        text += QStringLiteral("\nArguments:\n");
        for (const CliArgument& argument : command.arguments)
            text += column(valueText(argument.name, argument.choices), argument.description);
    }
    return text.chopped(1);
}

// The root of --root, one way for every command: absolute, clean, with a trailing separator.
QString rootOf(const CliCall& call) {
    if (!call.isSet(QStringLiteral("root")) || call.value(QStringLiteral("root")).isEmpty())
        return settingsCompanyRoot();
    return AddBackslash(QDir(call.value(QStringLiteral("root"))).absolutePath());
}

// Fills in the company of the call; prints why and returns an exit status when it cannot.
int resolveCompany(CliCall& call) {
    call.root = rootOf(call);
    if (call.command->company == CompanyUse::Root) {
        if (!QFileInfo(call.root).isDir()) {
            printError(QStringLiteral("The company folder %1 does not exist.")
                           .arg(QDir::toNativeSeparators(call.root)));
            return ExitRefused;
        }
        return ExitDone;
    }
    call.company = call.value(QStringLiteral("company"));
    if (!isStoreName(call.company)) {
        printError(QStringLiteral("\"%1\" is not a company name.").arg(call.company));
        return ExitRefused;
    }
    call.folder = companyFolder(call.root, call.company);
    if (!QFileInfo(call.folder).isDir()) {
        printError(QStringLiteral("There is no company \"%1\" in %2.")
                       .arg(call.company, QDir::toNativeSeparators(call.root)));
        return ExitRefused;
    }
    return ExitDone;
}

// The options' values into the call: defaults for those not given, choices checked.
int readOptions(const QCommandLineParser& parser, CliCall& call) {
    for (const CliOption& option : call.command->allOptions()) {
        const bool given = parser.isSet(option.name);
        const QString value = given ? parser.value(option.name) : option.defaultValue;
        if (option.required && value.isEmpty())
            return call.usageError(QStringLiteral("Please give %1.").arg(optionText(option)));
        if (given && !option.choices.isEmpty() && !option.choices.contains(value))
            return call.usageError(QStringLiteral("--%1 takes %2, not \"%3\".")
                                       .arg(option.name, option.choices.join(" or "), value));
        if (given)
            call.given << option.name;
        if (!option.valueName.isEmpty())
            call.values.insert(option.name, value);
    }
    return ExitDone;
}

// As many arguments as the command takes, each one of its choices when it has them.
int checkArguments(const CliCall& call) {
    const QList<CliArgument>& wanted = call.command->arguments;
    const auto needed = std::count_if(wanted.begin(), wanted.end(),
                                      [](const CliArgument& a) { return !a.optional; });
    if (call.arguments.size() < needed)
        return call.usageError(
            QStringLiteral("Please give %1.").arg(wanted.at(call.arguments.size()).name));
    if (call.arguments.size() > wanted.size())
        return call.usageError(
            QStringLiteral("Unexpected argument \"%1\".").arg(call.arguments.at(wanted.size())));
    for (int i = 0; i < call.arguments.size(); ++i) {
        const QStringList& choices = wanted.at(i).choices;
        if (!choices.isEmpty() && !choices.contains(call.arguments.at(i)))
            return call.usageError(QStringLiteral("%1 is %2, not \"%3\".")
                                       .arg(wanted.at(i).name, choices.join(QStringLiteral(" or ")),
                                            call.arguments.at(i)));
    }
    return ExitDone;
}

int runCommand(const CliCommand& command, const QStringList& arguments) {
    QCommandLineParser parser;
    // "-x" is an unknown option, never a cluster of letters; after "--" everything is data.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (command.firstArgumentEnds)
        parser.setOptionsAfterPositionalArgumentsMode(
            QCommandLineParser::ParseAsPositionalArguments);
    for (const CliOption& option : command.allOptions())
        parser.addOption(QCommandLineOption(option.name, option.description, option.valueName));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Prints this help."));
    parser.addOption(help);

    CliCall call;
    call.command = &command;
    if (!parser.parse(QStringList{command.name} + arguments)) {
        QString error = parser.errorText();
        if (error.startsWith(QLatin1String("Unknown option")))
            error += QStringLiteral(" (put -- before an argument that starts with -)");
        return call.usageError(error);
    }
    if (parser.isSet(help)) {
        printOut(commandHelp(command));
        return ExitDone;
    }
    call.arguments = parser.positionalArguments();
    int status = readOptions(parser, call);
    if (status == ExitDone)
        status = checkArguments(call);
    if (status == ExitDone && command.company != CompanyUse::None)
        status = resolveCompany(call);
    if (status == ExitDone && command.company == CompanyUse::Company) {
        bool whole = false;
        const int seconds = call.value(QStringLiteral("wait")).toInt(&whole);
        if (!whole || seconds < 0)
            return call.usageError(QStringLiteral("--wait takes a whole number of seconds, not "
                                                  "\"%1\".")
                                       .arg(call.value(QStringLiteral("wait"))));
        setLockWaitSeconds(seconds);
    }
    if (status != ExitDone)
        return status;
    try {
        return command.draws ? runDrawingCommand(call) : command.run(call);
    } catch (const RuntimeError& error) {
        printError(QStringLiteral("Error #%1: %2").arg(error.number()).arg(error.description()));
        return ExitError;
    }
}

int runHelp(const CliCall& call) {
    if (call.arguments.isEmpty()) {
        printOut(programHelp());
        return ExitDone;
    }
    const CliCommand* command = findCliCommand(call.arguments.first());
    if (!command)
        return call.usageError(
            QStringLiteral("There is no command \"%1\".").arg(call.arguments.first()));
    printOut(commandHelp(*command));
    return ExitDone;
}

CliCommand helpCommand() {
    CliCommand command;
    command.name = QStringLiteral("help");
    command.summary = QStringLiteral("Prints the usage of a command, or of the program.");
    command.arguments = {
        {QStringLiteral("COMMAND"), QStringLiteral("The command to explain."), true, {}}};
    command.run = runHelp;
    return command;
}

const CliRegistration registered(helpCommand);

} // namespace

QList<QPair<int, QString>> cliExitMeanings() {
    return {{ExitDone, QStringLiteral("done")},
            {ExitError, QStringLiteral("error: see standard error")},
            {ExitRefused, QStringLiteral("refused: nothing was changed")},
            {ExitFound, QStringLiteral("found something (low-stock, check)")},
            {ExitStopped, QStringLiteral("stopped part-way: what was done before stays done")},
            {ExitUsage, QStringLiteral("usage error")}};
}

CliOption flagOption(const QString& name, const QString& description) {
    CliOption option;
    option.name = name;
    option.description = description;
    return option;
}

CliOption valueOption(const QString& name, const QString& valueName, const QString& description,
                      const QString& defaultValue) {
    CliOption option = flagOption(name, description);
    option.valueName = valueName;
    option.defaultValue = defaultValue;
    return option;
}

CliOption yesNoOption(const QString& name, const QString& description, bool byDefault) {
    return choiceOption(name, {QStringLiteral("yes"), QStringLiteral("no")}, description,
                        byDefault ? QStringLiteral("yes") : QStringLiteral("no"));
}

CliOption choiceOption(const QString& name, const QStringList& choices, const QString& description,
                       const QString& defaultValue) {
    CliOption option = valueOption(name, choices.join(QLatin1Char('|')), description, defaultValue);
    option.choices = choices;
    return option;
}

QList<CliOption> CliCommand::allOptions() const {
    QList<CliOption> all;
    if (company == CompanyUse::Company)
        all << companyOption();
    if (company != CompanyUse::None)
        all << rootOption();
    if (company == CompanyUse::Company)
        all << waitOption();
    return all + options;
}

QString CliCommand::synopsis() const {
    QString text = name;
    for (const CliOption& option : allOptions())
        text += option.required ? QLatin1Char(' ') + optionText(option)
                                : QStringLiteral(" [") + optionText(option) + ']';
    for (const CliArgument& argument : arguments) {
        const QString shown = valueText(argument.name, argument.choices);
        text += argument.optional ? QStringLiteral(" [") + shown + ']' : QLatin1Char(' ') + shown;
    }
    return text;
}

CliRegistration::CliRegistration(CliCommand (*make)()) {
    registry().append(make());
}

CliDrawingRegistration::CliDrawingRegistration(const char* name, CliDrawingRun run) {
    drawings().insert(QString::fromLatin1(name), run);
}

CliDrawingRun findCliDrawing(const QString& name) {
    return drawings().value(name);
}

QList<CliCommand> cliCommands() {
    QList<CliCommand> commands;
    for (const CliCommand& command : registry())
        if (!command.hidden)
            commands << command;
    std::sort(commands.begin(), commands.end(),
              [](const CliCommand& a, const CliCommand& b) { return a.name < b.name; });
    return commands;
}

const CliCommand* findCliCommand(const QString& name) {
    for (const CliCommand& command : registry())
        if (command.name == name)
            return &command;
    return nullptr;
}

int CliCall::usageError(const QString& message) const {
    printError(QStringLiteral("%1 %2: %3\nUsage: %1 %4\nTry %1 help %2.")
                   .arg(kProgram, command->name, message, command->synopsis()));
    return ExitUsage;
}

QString settingsCompanyRoot() {
    // A root chosen in the options is left alone: it may be a drive that is not attached now.
    if (settings::companyRootText(QString()).isEmpty())
        QDir().mkpath(defaultCompanyRoot());
    return companyRoot();
}

bool knownProfitCenter(const CliCall& call, const QString& name) {
    if (isStoreName(name) && QFileInfo(profitCenterPath(call.folder, name)).isFile())
        return true;
    printError(QStringLiteral("There is no profit center \"%1\" in %2.").arg(name, call.company));
    return false;
}

void prepareCliApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Tallyvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(TALLYVANE_VERSION_MAJOR)
                                                .arg(TALLYVANE_VERSION_MINOR)
                                                .arg(TALLYVANE_VERSION_REVISION));
    // Errors the core reports go to standard error, in the program's standard wording.
    setErrorReporter([](const QString& procedure, const RuntimeError& error) {
        printError(standardErrorText(procedure, error));
    });
}

QStringList cliArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

int runCommandLine(const QStringList& arguments) {
    if (arguments.isEmpty()) {
        printError(programHelp());
        return ExitUsage;
    }
    const QString name = arguments.first();
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
        printOut(programHelp());
        return ExitDone;
    }
    if (name == QLatin1String("--version")) {
        printOut(kProgram + QLatin1Char(' ') + QCoreApplication::applicationVersion());
        return ExitDone;
    }
    const CliCommand* command = findCliCommand(name);
    if (!command) {
        printError(QStringLiteral("Unknown command \"%1\". Try tallyvane-cli --help.").arg(name));
        return ExitUsage;
    }
    return runCommand(*command, arguments.mid(1));
}

void printError(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void printOut(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
