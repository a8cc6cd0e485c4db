// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command table of tallyvane-cli. Each command is one entry, made in its own source file and
// registered there:
//
//     namespace {
//     int runStats(const CliCall& call) { ... }
//     CliCommand statsCommand() { ... }
//     const CliRegistration registered(statsCommand);
//     }
//
// The table gives each command its parser, its --help, its place in the program's --help, the
// manual page check and the shell completion. The build takes every source file of cli/; a new
// command also needs its entry in dist/man/tallyvane-cli.1 and the completion file written
// again (tallyvane-cli completion bash > dist/completion/tallyvane-cli), as the tests check.
//
// tallyvane-cli links no drawing library. A command that draws sets draws and leaves run empty;
// its run is a source file of cli/draw/, built into the drawing program tallyvane-cli-draw, which
// registers it: const CliDrawingRegistration registered("chart", runChart);

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The exit status of every command.
enum CliExit : int {
    ExitDone = 0,
    ExitError = 1,   // failed; see standard error
    ExitRefused = 2, // the data did not allow it; nothing was changed
    ExitFound = 3,   // a check found something to report
    ExitStopped = 4, // stopped part-way: what was done before the stop stays done
    ExitUsage = 64,  // the command line was wrong
};

// Each exit status and its meaning, in order, for --help and the manual page.
QList<QPair<int, QString>> cliExitMeanings();

struct CliOption {
    QString name;         // the long name, without "--"
    QString valueName;    // "N"; empty for an option without a value
    QString description;  // one sentence
    QString defaultValue; // the value when the option is not given
    QStringList choices;  // the values allowed; empty for any
    bool required = false;
};

CliOption flagOption(const QString& name, const QString& description);
CliOption valueOption(const QString& name, const QString& valueName, const QString& description,
                      const QString& defaultValue = QString());
// --name yes|no; read with CliCall::yes().
CliOption yesNoOption(const QString& name, const QString& description, bool byDefault);
CliOption choiceOption(const QString& name, const QStringList& choices, const QString& description,
                       const QString& defaultValue);

// A positional argument. Names holding "FILE" or a "." complete as files, "DIR" or "FOLDER" as
// folders; choices complete as themselves.
struct CliArgument {
    QString name;
    QString description;
    bool optional = false;
    QStringList choices;
};

// Which of the shared options --company NAME and --root DIR a command takes.
enum class CompanyUse {
    None,
    Root,    // --root only
    Company, // --company (required) and --root; the company must exist
};

class CliCall;

struct CliCommand {
    QString name;
    QString summary;     // one line for the list of commands
    QString description; // more for its own --help; may be empty
    CompanyUse company = CompanyUse::None;
    QList<CliOption> options;
    QList<CliArgument> arguments;
    // Runs in the drawing program, which links the drawing libraries (never a display); run is
    // then registered there with CliDrawingRegistration and left empty here.
    bool draws = false;
    bool firstArgumentEnds = false; // everything after the first argument is an argument
    bool hidden = false;            // left out of --help, the manual and the completion
    std::function<int(const CliCall&)> run;

    // "sale --company NAME [--root DIR] [--quantity Q] [--tax yes|no] SKU"
    QString synopsis() const;
    // Every option the command takes, the shared ones first.
    QList<CliOption> allOptions() const;
};

// Adds a command to the table when the program starts.
struct CliRegistration {
    explicit CliRegistration(CliCommand (*make)());
};

using CliDrawingRun = int (*)(const CliCall&);
// Adds the run of a command that draws; only the drawing program's sources register one.
struct CliDrawingRegistration {
    CliDrawingRegistration(const char* name, CliDrawingRun run);
};
// The registered run of the command that draws, or nullptr.
CliDrawingRun findCliDrawing(const QString& name);

// Runs a call of a command that draws. tallyvane-cli hands the call, with the program's own
// arguments, to its drawing program; the drawing program runs it. Each program's main source
// defines it.
int runDrawingCommand(const CliCall& call);

// The table, sorted by name.
QList<CliCommand> cliCommands();
const CliCommand* findCliCommand(const QString& name);

// What a command gets to run: its parsed options, its arguments and, when it takes them, the
// company it works on.
class CliCall {
public:
    const CliCommand* command = nullptr;
    QStringList arguments;
    QHash<QString, QString> values; // every value option, its default when not given
    QStringList given;              // the options given

    QString root;    // company folder root, with a trailing separator
    QString company; // the company's name
    QString folder;  // root + company + separator

    QString value(const QString& option) const { return values.value(option); }
    bool isSet(const QString& option) const { return given.contains(option); }
    // The one reading of a yes|no option.
    bool yes(const QString& option) const { return value(option) == QLatin1String("yes"); }
    // Prints message and the command's usage on standard error; returns ExitUsage.
    int usageError(const QString& message) const;
};

// Names the application, and reports the core's errors on standard error; after the application
// is made.
void prepareCliApplication();
// The program's arguments, without its own name.
QStringList cliArguments(int argc, char** argv);
// Runs the program's command line (without the program's own name).
int runCommandLine(const QStringList& arguments);
// The company folder root of the settings. On an account where the desktop program never ran,
// the default root does not exist yet: it is made.
QString settingsCompanyRoot();

// Whether the company of the call has the profit center; prints why not.
bool knownProfitCenter(const CliCall& call, const QString& name);

// The bash completion script of the table.
QString bashCompletion();

// Prints to standard error / standard output, with a line end.
void printError(const QString& text);
void printOut(const QString& text);
