// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli: the core of the desktop program without windows, for scripts and back offices.

#include "cli/commands.h"

#include "manager/store/runtimeerror.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <memory>

namespace {

QString helpText() {
    QString text = QStringLiteral("Usage: tallyvane-cli COMMAND [OPTIONS]\n"
                                  "       tallyvane-cli --help | --version\n\nCommands:\n");
    for (const CliCommand& command : cliCommands())
        text += QStringLiteral("  %1\n      %2\n").arg(command.usage, command.summary);
    text += QStringLiteral("\n--root DIR defaults to the company folder root of the settings.");
    return text;
}

} // namespace

// cli/salescommands.cpp
CliCommand saleCommand();
CliCommand statsCommand();
CliCommand reportCommand();
// cli/batchcommand.cpp
CliCommand batchCommand();
// cli/servercommands.cpp
CliCommand serveCommand();
CliCommand sendCommand();
// cli/interchangecommands.cpp
CliCommand importCommand();
CliCommand exportInventoryCommand();
CliCommand exportCompanyCommand();
CliCommand importCompanyCommand();
// cli/barcodecommands.cpp
CliCommand barcodeCommand();
CliCommand labelsCommand();

const QList<CliCommand>& cliCommands() {
    // Each command lives in its own source file; add it here.
    static const QList<CliCommand> commands = {
        saleCommand(),  statsCommand(), reportCommand(),
        batchCommand(), serveCommand(), sendCommand(),
        importCommand(), exportInventoryCommand(), exportCompanyCommand(), importCompanyCommand(),
        barcodeCommand(), labelsCommand(),
    };
    return commands;
}

int main(int argc, char** argv) {
    // Commands that draw text need the fonts of a GUI application, without any display.
    const bool draws =
        argc > 1 && (qstrcmp(argv[1], "barcode") == 0 || qstrcmp(argv[1], "labels") == 0);
    if (draws)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> application(
        draws ? new QGuiApplication(argc, argv) : new QCoreApplication(argc, argv));
    QCoreApplication& app = *application;
    QCoreApplication::setApplicationName(QStringLiteral("Tallyvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(TALLYVANE_VERSION_MAJOR)
                                                .arg(TALLYVANE_VERSION_MINOR)
                                                .arg(TALLYVANE_VERSION_REVISION));
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        printError(helpText());
        return 2;
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
        printOut(helpText());
        return 0;
    }
    if (name == QLatin1String("--version")) {
        printOut(QStringLiteral("tallyvane-cli %1").arg(QCoreApplication::applicationVersion()));
        return 0;
    }
    // Errors the core reports go to standard error, in the program's standard wording.
    setErrorReporter([](const QString& procedure, const RuntimeError& error) {
        printError(standardErrorText(procedure, error));
    });
    for (const CliCommand& command : cliCommands()) {
        if (command.name == name) {
            try {
                return command.run(args);
            } catch (const RuntimeError& error) {
                printError(
                    QStringLiteral("Error #%1: %2").arg(error.number()).arg(error.description()));
                return 1;
            }
        }
    }
    printError(QStringLiteral("Unknown command \"%1\". Try tallyvane-cli --help.").arg(name));
    return 2;
}
